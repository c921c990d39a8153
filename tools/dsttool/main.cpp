// dsttool: DST encoding and decoding of DSDIFF files from the command line.
#include "dsttool_command_line.h"
#include "dsttool_commands.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        const dsttool_command_line cl = parse_dsttool_command_line(args);
        switch (cl.what) {
        case dsttool_command_line::command::help: std::cout << dsttool_usage_text(); return 0;
        case dsttool_command_line::command::encode: return run_encode(cl, std::cout);
        case dsttool_command_line::command::decode: return run_decode(cl);
        }
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
    }
    return 1;
}
