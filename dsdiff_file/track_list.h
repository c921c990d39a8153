// The tracks that a DSDIFF file's markers cut its audio into.
#pragma once

#include "dsdiff_file/dsdiff_marker.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct dsdiff_track {
    unsigned number = 0;       // 1-based, in order of position
    std::uint64_t start = 0;   // first DSD sample, counted from the start of the sound data
    std::uint64_t end = 0;     // one past the last
    std::string title;         // the TrackStart marker's text; may be empty
};

struct track_list {
    std::vector<dsdiff_track> tracks;  // empty when no marker starts a track
    std::vector<std::string> notes;    // each marker that was ignored, and why
};

// Each all-channel TrackStart marker starts a track, in order of position (not of the
// file); the track runs to the next TrackStart, or to a TrackStop that comes before it,
// or to the end of the audio. ProgramStart and Index markers start no track. Markers
// outside the audio of `sample_count` samples per channel, all-channel markers of one
// type at one position after the first, track markers of a single channel, and
// TrackStops that end no track are noted and ignored.
track_list make_track_list(std::span<const dsdiff_marker> markers, std::uint64_t sample_count);
