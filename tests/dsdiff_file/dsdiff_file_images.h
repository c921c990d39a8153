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


using mark_fields = dsdiff_writer::marker;
using dsdiff_writer::counted_text_chunk;
using dsdiff_writer::mark;

struct vector_sink final : byte_sink {
    bytes data;
    void write(std::span<const std::uint8_t> more) override { data.insert(data.end(), more.begin(), more.end()); }
};

// A dsdiff_file over an image in memory; console lines go to `console` when given.
std::unique_ptr<dsdiff_file> open_image(const bytes& image, std::vector<std::string>* console = nullptr);

} // namespace dsdiff_file_test
