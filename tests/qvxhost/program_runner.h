// Runs the built qvxhost program and captures what it prints.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>

struct program_result {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// The build directory the tests belong to (tests get it as QVX_BUILD_DIR).
inline std::string build_dir()
{
    const char* dir = std::getenv("QVX_BUILD_DIR");
    return dir ? dir : ".";
}

inline std::string qvxhost_path() { return build_dir() + "/bin/qvxhost"; }
inline std::string component_path() { return build_dir() + "/lib/qvx_input_dsdiff.so"; }

inline std::string shell_quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs qvxhost with `arguments`; stdout and stderr go to files in `scratch_dir`, stdin is empty.
inline program_result run_qvxhost(const std::vector<std::string>& arguments, const std::string& scratch_dir)
{
    std::string command = shell_quote(qvxhost_path());
    for (const auto& argument : arguments) command += " " + shell_quote(argument);
    const std::string out = scratch_dir + "/stdout.txt";
    const std::string err = scratch_dir + "/stderr.txt";
    command += " </dev/null >" + shell_quote(out) + " 2>" + shell_quote(err);
    const int status = std::system(command.c_str());
    program_result result;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}
