// What the DSDIFF file library's tests share: DSD signals from dsdgen, DST frames from
// our encoder, the chunks of DIIN, files opened from byte images, and a sink into memory.
#pragma once

#include "dsdiff_file/byte_sink.h"
#include "dsdiff_file/dsdiff_file.h"
#include "dsdiff_writer.h"
#include "qvxhost/player/abort_signal_impl.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace dsdiff_file_test {

using dsdiff_writer::bytes;

inline abort_signal_impl never;

// Channel c a tone at 500 × (c + 1) Hz, −8 dBFS, over noise at −40 dBFS, `bytes_per_channel`
// bytes each, interleaved: music-like, so that DST codes it.
bytes tones(unsigned channels, std::uint64_t bytes_per_channel, std::uint32_t sample_rate = 2822400);

// DST frames of `sound`, which must hold whole frames, coded by our encoder.
std::vector<bytes> dst_frames(std::span<const std::uint8_t> sound, unsigned channels, std::uint32_t sample_rate = 2822400);

// Bytes per channel of one DST frame at `sample_rate`.
std::uint64_t frame_bytes_per_channel(std::uint32_t sample_rate = 2822400);

// "CMPR" of a plain file as real files hold it: the name's pascal string padded to even.
bytes plain_cmpr();

struct mark_fields {
    std::uint16_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint32_t samples = 0;
    std::int32_t offset = 0;
    std::uint16_t type = 0; // 0 TrackStart, 1 TrackStop, 2 ProgramStart, 4 Index
    std::uint16_t channel = 0;
    std::string text{};
};
bytes mark(const mark_fields& m);
// "DIAR", "DITI": uint32 count, then the characters.
bytes counted_text_chunk(std::string_view id, std::string_view text);

struct vector_sink final : byte_sink {
    bytes data;
    void write(std::span<const std::uint8_t> more) override { data.insert(data.end(), more.begin(), more.end()); }
};

// A dsdiff_file over an image in memory; console lines go to `console` when given.
std::unique_ptr<dsdiff_file> open_image(const bytes& image, std::vector<std::string>* console = nullptr);

} // namespace dsdiff_file_test
