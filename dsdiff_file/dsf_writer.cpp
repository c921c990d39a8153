#include "dsdiff_file/dsf_writer.h"

#include "dsdiff_file/byte_order.h"
#include "dsdiff_file/dsd_source.h"
#include "dsdiff_file/dsdiff_file.h"
#include "util/dsd_silence.h"
#include "util/exceptions.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr std::uint64_t dsd_chunk_bytes = 28;
constexpr std::uint64_t fmt_chunk_bytes = 52;
constexpr std::uint64_t data_header_bytes = 12;

// DSDIFF stores the earliest sample in a byte's most significant bit, DSF in its least.
constexpr std::array<std::uint8_t, 256> bit_reversed = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned r = 0;
        for (int bit = 0; bit < 8; ++bit) r |= ((v >> bit) & 1u) << (7 - bit);
        table[v] = static_cast<std::uint8_t>(r);
    }
    return table;
}();

void put_id(std::vector<std::uint8_t>& out, const char (&id)[5]) { out.insert(out.end(), id, id + 4); }

std::vector<std::uint8_t> header(const dsf_channel_layout& layout, std::uint32_t sample_rate, std::uint64_t bytes_per_channel,
                                 std::uint64_t tag_bytes)
{
    const auto channels = static_cast<std::uint64_t>(layout.source_channel.size());
    const std::uint64_t blocks = (bytes_per_channel + dsf_block_bytes_per_channel - 1) / dsf_block_bytes_per_channel;
    const std::uint64_t data_bytes = blocks * dsf_block_bytes_per_channel * channels;
    const std::uint64_t tag_offset = dsd_chunk_bytes + fmt_chunk_bytes + data_header_bytes + data_bytes;

    std::vector<std::uint8_t> out;
    out.reserve(dsd_chunk_bytes + fmt_chunk_bytes + data_header_bytes);
    put_id(out, "DSD ");
    put_le(out, dsd_chunk_bytes, 8);
    put_le(out, tag_offset + tag_bytes, 8);       // the whole file
    put_le(out, tag_bytes != 0 ? tag_offset : 0, 8); // the metadata chunk, if any
    put_id(out, "fmt ");
    put_le(out, fmt_chunk_bytes, 8);
    put_le(out, 1, 4); // format version
    put_le(out, 0, 4); // format id: raw DSD
    put_le(out, layout.channel_type, 4);
    put_le(out, channels, 4);
    put_le(out, sample_rate, 4);
    put_le(out, 1, 4); // bits per sample: 1, least significant bit first
    put_le(out, bytes_per_channel * 8, 8);
    put_le(out, dsf_block_bytes_per_channel, 4);
    put_le(out, 0, 4); // reserved
    put_id(out, "data");
    put_le(out, data_header_bytes + data_bytes, 8);
    return out;
}

} // namespace

void write_dsf(dsd_source& source, const dsf_channel_layout& layout, std::uint32_t sample_rate,
               std::span<const std::uint8_t> id3_tag, byte_sink& out, abort_signal& abort)
{
    const std::uint32_t n = source.channel_count();
    if (layout.source_channel.size() != n) throw exception_bug_check("DSF layout does not match the source's channels");
    const std::uint64_t per_channel = source.range().size();
    out.write(header(layout, sample_rate, per_channel, id3_tag.size()));

    std::vector<std::uint8_t> interleaved(std::size_t{dsf_block_bytes_per_channel} * n);
    std::vector<std::uint8_t> block(dsf_block_bytes_per_channel);
    for (std::uint64_t done = 0; done < per_channel; done += dsf_block_bytes_per_channel) {
        abort.check();
        const auto bytes = static_cast<std::size_t>(std::min<std::uint64_t>(dsf_block_bytes_per_channel, per_channel - done));
        if (source.read(std::span(interleaved).first(bytes * n), abort) != bytes * n)
            throw exception_bug_check("DSD source ended before its range");
        for (const std::uint32_t channel : layout.source_channel) {
            for (std::size_t k = 0; k < bytes; ++k) block[k] = bit_reversed[interleaved[k * n + channel]];
            std::fill(block.begin() + static_cast<std::ptrdiff_t>(bytes), block.end(), bit_reversed[dsd_silence_byte]);
            out.write(block);
        }
    }
    if (!id3_tag.empty()) out.write(id3_tag);
}

void write_dsf(const dsdiff_file& input, const dsd_byte_range& range, std::span<const std::uint8_t> id3_tag,
               byte_sink& out, abort_signal& abort)
{
    const dsf_channel_layout layout = dsf_layout_for(input.channel_ids());
    const std::unique_ptr<dsd_source> source = make_dsd_source(input, range);
    write_dsf(*source, layout, input.sample_rate(), id3_tag, out, abort);
}
