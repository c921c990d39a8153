// Runs built programs from the encoder's tests, through the shared runner.
#pragma once

#include "program_runner.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dst_test {

using ::built_program;
using ::scratch_dir;

inline program_result run(const std::string& command, const scratch_dir& dir) { return run_program(command, dir); }

inline std::vector<std::uint8_t> read_file(const std::string& path)
{
    const std::string bytes = slurp(path);
    return {bytes.begin(), bytes.end()};
}

} // namespace dst_test
