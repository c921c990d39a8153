// qvxhost_manual PAGE COMPLETION: writes qvxhost(1) and qvxhost's bash completion, both
// made from the command line's tables, so that neither can drift from --help.
#include "qvxhost/converter/command_line.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

namespace {

bool write_file(const char* path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    return !out.fail();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: qvxhost_manual PAGE COMPLETION\n");
        return 2;
    }
    for (const auto& [path, text] : {std::pair{argv[1], manual_page()}, std::pair{argv[2], bash_completion()}}) {
        if (!write_file(path, text)) {
            std::fprintf(stderr, "qvxhost_manual: cannot write %s\n", path);
            return 1;
        }
    }
    return 0;
}
