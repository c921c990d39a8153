// Runs the project's programs the way a user does, for end-to-end tests.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct program_result {
    int exit_code = -1;
    std::string out;
    std::string err;
};

inline std::string build_dir()
{
    const char* dir = std::getenv("QVX_BUILD_DIR");
    return dir ? dir : "build";
}

inline std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// `command` is run by the shell; stdout and stderr are captured separately.
inline program_result run_program(const std::string& command, const std::string& scratch)
{
    const std::string out = scratch + ".out", err = scratch + ".err";
    const int status = std::system((command + " >" + out + " 2>" + err).c_str());
    program_result r;
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

inline std::vector<float> read_f32(const std::string& path)
{
    const std::string raw = slurp(path);
    std::vector<float> samples(raw.size() / sizeof(float));
    std::copy(raw.data(), raw.data() + samples.size() * sizeof(float), reinterpret_cast<char*>(samples.data()));
    return samples;
}
