// The qvxhost command line.
#pragma once

#include "qvxhost/pcm_writer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct command_line {
    enum class command { help, info, decode };

    command what = command::help;
    std::string input;                     // info, decode: the DSDIFF file
    std::string output;                    // decode: -o
    std::optional<std::int32_t> max_rate;  // decode: --max-rate, 1 .. 2^31-1
    std::optional<double> seek_seconds;    // decode: --seek
    std::optional<output_format> format;   // decode: --format
    std::optional<std::string> component;  // --component
};

// Throws std::invalid_argument with a message for the user on a malformed command line.
command_line parse_command_line(std::span<const std::string> arguments);

// The text of qvxhost --help.
const char* usage_text();
