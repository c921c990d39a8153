// The qvxhost command line: one table of options, from which the parser, the help text,
// the manual page and the shell completion are made.
#pragma once

#include "qvxhost/converter/output_formats.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct command_line {
    enum class command { help, version, info, decode };

    command what = command::help;
    std::string input;                     // info, decode: the (first) DSDIFF file or folder
    std::vector<std::string> inputs;       // decode: every file and folder, in order
    std::string output;                    // decode: -o, a folder for several inputs or a folder input
    std::optional<std::int32_t> max_rate;  // decode: --max-rate, 1 .. 2^31-1
    std::optional<double> seek_seconds;    // decode: --seek
    std::optional<output_format> format;   // decode: --format
    std::optional<int> bits;               // decode: --bits, 16 or 24
    std::optional<double> gain_db;         // decode: --gain
    std::optional<unsigned> jobs;          // decode: --jobs, at least 1
    bool overwrite = false;                // decode: --overwrite
    bool skip_existing = false;            // decode: --skip-existing
    bool conceal = false;                  // decode: --conceal
    bool split = false;                    // decode: --split
    bool cue = false;                      // decode: --cue
    bool tags = false;                     // info: --tags
    bool details = false;                  // info: --details
    bool md5 = false;                      // info: --md5
    std::optional<std::string> component;  // --component
};

// Throws std::invalid_argument with a message for the user on a malformed command line.
command_line parse_command_line(std::span<const std::string> arguments);

// Throws std::invalid_argument when `format` has no depth of `bits` (--bits with raw float).
void check_depth(output_format format, int bits);

// Where the program looks for the component without --component, in order, relative to
// its own folder: "../lib/qvx-input-dsdiff", "../lib".
struct component_folder {
    std::string_view path;
    std::string_view what;  // "as installed", "in a build tree"
};
std::span<const component_folder> component_folders();

// The text of qvxhost --help.
std::string usage_text();
// The same as a manual page qvxhost(1), in roff.
std::string manual_page();
// A bash completion script for qvxhost: the commands, each command's options, the values
// of --format and --bits, file names otherwise.
std::string bash_completion();
