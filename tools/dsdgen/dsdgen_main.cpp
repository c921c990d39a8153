// dsdgen: DSD test-signal generator; see usage() for the options.
#include "command_line.h"
#include "dsdiff_output.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    try {
        const dsdgen::options options = dsdgen::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::cout << dsdgen::usage();
            return 0;
        }
        const dsdgen::write_result result = dsdgen::write_dsdiff(options.output, options.description, options.frames(), options.master);
        if (result.overloads != 0) {
            std::cerr << "dsdgen: warning: the modulator overloaded " << result.overloads
                      << " times; lower the levels\n";
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "dsdgen: " << error.what() << "\n(dsdgen --help lists the options)\n";
        return 1;
    }
}
