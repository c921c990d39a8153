// Markers of a DSDIFF file: the "MARK" chunks of "DIIN" (DSDIFF 1.5), each a time
// code, a type and a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class marker_type : std::uint16_t { track_start = 0, track_stop = 1, program_start = 2, obsolete = 3, index = 4 };

struct dsdiff_marker {
    std::size_t number = 0;        // 1-based place among the file's "MARK" chunks, for messages
    std::uint16_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint32_t samples = 0;
    std::int32_t offset = 0;       // signed 32-bit on disk, added to the time code
    std::uint16_t type = 0;        // a marker_type; other values are kept as read
    std::uint16_t channel = 0;     // 0: all channels, else one channel counted from 1
    std::uint16_t track_flags = 0;
    std::string text;              // UTF-8
    // DSD samples from the first sample of the sound data: the time code at the
    // file's sample rate, plus `samples` and `offset`. May lie outside the audio.
    std::int64_t position = 0;

    bool is(marker_type t) const { return type == static_cast<std::uint16_t>(t); }
};

// Reads one "MARK" payload (big-endian: hours u16, minutes u8, seconds u8, samples u32,
// offset s32, markType u16, markChannel u16, TrackFlags u16, count u32, then count bytes
// of text). A payload too short for its fields or its text gives nothing and appends
// a note naming the chunk to `notes`.
std::optional<dsdiff_marker> parse_marker(std::span<const std::uint8_t> payload, std::uint32_t sample_rate,
                                          std::size_t number, std::vector<std::string>& notes);

// "MARK chunk 3 (TrackStart "Intro" at sample 2822400)": names a marker in notes.
std::string describe_marker(const dsdiff_marker& marker);
