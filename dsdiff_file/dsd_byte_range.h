// A stretch of the audio in DSD bytes per channel: byte k of every channel holds
// samples 8k to 8k + 7.
#pragma once

#include "dsdiff_file/track_list.h"

#include <cstdint>

struct dsd_byte_range {
    std::uint64_t first = 0; // first byte of each channel
    std::uint64_t end = 0;   // one past the last

    std::uint64_t size() const { return end - first; }
};

// A track's bytes: each end is cut at the byte that holds its sample (position / 8,
// rounded down), so that a track begins with the byte of its first marker.
inline dsd_byte_range byte_range_of(const dsdiff_track& track) { return {track.start / 8, track.end / 8}; }
