// dsdgen's options: parsing and the help text.
#pragma once

#include "signal_description.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dsdgen {

// A track of an edited master: where it starts and its name.
struct track_mark {
    double seconds = 0;
    std::string title;
};

// What "DIIN" holds; nothing is written when all is empty.
struct master_info {
    std::vector<track_mark> tracks;  // in the order given
    std::string title;               // "DITI"
    std::string artist;              // "DIAR"
    bool empty() const { return tracks.empty() && title.empty() && artist.empty(); }
};

struct options {
    bool help = false;
    std::string output;
    signal_description description; // channels sized to the channel count
    double seconds = 10.0;
    master_info master;

    // Bytes per channel: the length rounded down to whole bytes (8 samples).
    std::uint64_t frames() const;
};

// `arguments` without the program name. Throws std::invalid_argument with a
// message for the user.
options parse_command_line(const std::vector<std::string>& arguments);

std::string usage();

} // namespace dsdgen
