// Runs the project's built programs from tests the way a user does: a shell
// command with empty input, its exit status, stdout and stderr captured.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "scratch_dir.h"

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

// build/bin/NAME of that build.
inline std::string built_program(const std::string& name) { return build_dir() + "/bin/" + name; }

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

// Raw little-endian 32-bit floats, as `qvxhost decode --format f32` writes them.
inline std::vector<float> read_f32(const std::string& path)
{
    const std::string raw = slurp(path);
    std::vector<float> samples(raw.size() / sizeof(float));
    std::copy(raw.data(), raw.data() + samples.size() * sizeof(float), reinterpret_cast<char*>(samples.data()));
    return samples;
}

// Runs a shell command line; its output is captured through files in `capture_dir`.
inline program_result run_program(const std::string& command, const std::string& capture_dir)
{
    const std::string out = capture_dir + "/stdout.txt", err = capture_dir + "/stderr.txt";
    const int status = std::system((command + " </dev/null >" + shell_quote(out) + " 2>" + shell_quote(err)).c_str());
    program_result result;
    result.exit_code = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}

inline program_result run_program(const std::string& command, const scratch_dir& dir) { return run_program(command, dir.path("")); }

// The program and its arguments, each quoted for the shell.
inline program_result run_program(const std::string& program, const std::vector<std::string>& arguments, const std::string& capture_dir)
{
    std::string command = shell_quote(program);
    for (const std::string& argument : arguments) command += " " + shell_quote(argument);
    return run_program(command, capture_dir);
}
