// Runs built programs from tests: a scratch directory per test, commands with
// their exit status and stderr captured.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace dst_test {

// A fresh directory under the system's temporary directory, removed on destruction.
class scratch_dir {
public:
    explicit scratch_dir(const std::string& name);
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;
    std::string path(const std::string& file) const { return (dir_ / file).string(); }

private:
    std::filesystem::path dir_;
};

struct run_result {
    int status = -1;
    std::string err; // stderr
    std::string out; // stdout
};

// Runs a shell command line with stdout and stderr captured into files of `dir`.
run_result run(const std::string& command, const scratch_dir& dir);

// build/bin/NAME of the build the tests belong to.
std::string built_program(const std::string& name);

std::vector<std::uint8_t> read_file(const std::string& path);

} // namespace dst_test
