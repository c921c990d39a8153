// The qvxhost command line.
#pragma once

#include "qvxhost/converter/pcm_writer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct command_line {
    enum class command { help, info, decode };

    command what = command::help;
    std::string input;                     // info, decode: the (first) DSDIFF file or folder
    std::vector<std::string> inputs;       // decode: every file and folder, in order
    std::string output;                    // decode: -o, a folder for several inputs or a folder input
    std::optional<std::int32_t> max_rate;  // decode: --max-rate, 1 .. 2^31-1
    std::optional<double> seek_seconds;    // decode: --seek
    std::optional<output_format> format;   // decode: --format
    std::optional<int> bits;               // decode: --bits, 16 or 24
    double gain_db = 0;                    // decode: --gain
    std::optional<unsigned> jobs;          // decode: --jobs, at least 1
    bool overwrite = false;                // decode: --overwrite
    bool skip_existing = false;            // decode: --skip-existing
    bool tags = false;                     // info: --tags
    std::optional<std::string> component;  // --component
};

// Throws std::invalid_argument with a message for the user on a malformed command line.
command_line parse_command_line(std::span<const std::string> arguments);

// The text of qvxhost --help.
const char* usage_text();
