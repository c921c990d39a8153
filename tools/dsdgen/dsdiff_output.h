// Writes a generated signal as a plain-DSD DSDIFF file, streaming the sound
// data block by block so that long multichannel files need little memory.
#pragma once

#include "command_line.h"
#include "signal_description.h"

#include <cstdint>
#include <string>

namespace dsdgen {

struct write_result {
    std::uint64_t sound_bytes = 0; // all channels
    std::uint64_t overloads = 0;   // modulator overloads (0 for a healthy file)
};

// `frames` bytes per channel. Channels get the standard identifiers of their
// count (1 to 6). Throws std::invalid_argument for another channel count and
// std::runtime_error when the file cannot be written.
// `master`, when not empty, becomes a "DIIN" chunk after the sound data.
write_result write_dsdiff(const std::string& path, const signal_description& description, std::uint64_t frames,
                          const master_info& master = {});

} // namespace dsdgen
