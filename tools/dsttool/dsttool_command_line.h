// The dsttool command line.
#pragma once

#include "dst_encoder/encoder_options.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct dsttool_command_line {
    enum class command { help, encode, decode };

    command what = command::help;
    std::string input;
    std::string output;                            // -o
    dst_encoder::encoder_options options;          // encode
    std::optional<std::uint64_t> random_features;  // encode: --random-features SEED
    bool verbose = false;                          // encode: -v, one line per frame
};

// Throws std::invalid_argument with a message for the user on a malformed command line.
dsttool_command_line parse_dsttool_command_line(std::span<const std::string> arguments);

const char* dsttool_usage_text();
