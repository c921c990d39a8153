// Builds DSDIFF byte images chunk by chunk: big-endian fields, pad bytes,
// nested containers. Tests state their files with it; the generator and the
// DST encoder write real files with it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dsdiff_writer {

using bytes = std::vector<std::uint8_t>;

bytes be16(std::uint16_t v);
bytes be32(std::uint32_t v);
bytes be64(std::uint64_t v);
// The characters of `text`, no terminator. Identifiers shorter than four
// characters must be given padded ("FS  ").
bytes text(std::string_view text);
bytes cat(std::initializer_list<bytes> parts);
void append(bytes& to, std::span<const std::uint8_t> more);

// One chunk: identifier, 64-bit size, payload, pad byte when the size is odd.
// `declared_size` writes another size than the payload's (for malformed files).
bytes chunk(std::string_view id, std::span<const std::uint8_t> payload, std::optional<std::uint64_t> declared_size = {});
// A chunk whose payload is the concatenation of `children`.
bytes container(std::string_view id, std::initializer_list<bytes> children);
// "FRM8"/"PROP" style: a four-byte type, then the children.
bytes form(std::string_view id, std::string_view type, std::initializer_list<bytes> children);

// Property chunks.
bytes fver(std::uint32_t version = 0x01050000);
bytes fs(std::uint32_t sample_rate);
bytes chnl(const std::vector<std::string>& channel_ids);
bytes cmpr(std::string_view type, std::string_view name);

// A "MARK" chunk of "DIIN" (DSDIFF 1.5): its position is the time code at the file's rate
// plus `samples` and `offset`.
struct marker {
    std::uint16_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint32_t samples = 0;
    std::int32_t offset = 0;
    std::uint16_t type = 0; // 0 TrackStart, 1 TrackStop, 2 ProgramStart, 4 Index
    std::uint16_t channel = 0;
    std::string text{};
};
bytes mark(const marker& m);
// "DIAR", "DITI": uint32 count, then the characters.
bytes counted_text_chunk(std::string_view id, std::string_view text);

// Standard channel identifiers for 1 to 6 channels (mono is "C   ").
std::vector<std::string> standard_channel_ids(unsigned channel_count);
std::uint32_t standard_channel_mask(unsigned channel_count);

struct stream_format {
    std::uint32_t sample_rate = 2822400;
    std::vector<std::string> channel_ids = {"SLFT", "SRGT"};
};

// The "PROP" chunk of a file in `format`, compressed as `compression` ("DSD " or "DST ").
bytes prop(const stream_format& format, std::string_view compression);

// A whole plain-DSD file around interleaved sound data.
bytes plain_file(const stream_format& format, std::span<const std::uint8_t> sound_data);
// Everything of a plain-DSD file before its sound data, for writing the data
// as a stream afterwards (followed by one pad byte when the size is odd, then
// `trailing_bytes` of further chunks within the form).
bytes plain_file_header(const stream_format& format, std::uint64_t sound_bytes, std::uint64_t trailing_bytes = 0);

// A whole DST file: "FRTE" with the frame count and rate 75, one "DSTF" per frame.
bytes dst_file(const stream_format& format, const std::vector<bytes>& frames);

// Writes bytes to a path; throws std::runtime_error on failure.
void write_file(const std::string& path, std::span<const std::uint8_t> data);

} // namespace dsdiff_writer
