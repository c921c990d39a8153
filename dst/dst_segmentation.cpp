#include "dst/dst_segmentation.h"

#include <algorithm>
#include <stdexcept>

#include "dst/dst_frame_error.h"

namespace {

struct segment_reader {
    dst_bit_reader& reader;
    dst_segmentation& seg;
    std::int64_t bytes_per_channel;
    int max_segments;
    int min_segment_bits;
    std::int64_t max_size;          // bytes: every coded segment leaves room for a minimal last one
    bool resolution_read = false;

    void read_channel(int ch)
    {
        std::int64_t remaining = max_size;  // bytes
        std::int64_t used = 0;              // bits
        int i = 0;
        auto lengths = seg.segment_length.row(static_cast<std::size_t>(ch));
        std::uint32_t end_of_channel = reader.read_bits(1);
        while (end_of_channel == 0) {
            if (i >= max_segments - 1)
                throw_frame_error(reader, "Too many segments for this channel!");
            if (!resolution_read) {
                const std::int64_t resolution = reader.read_bits(bit_length(max_size));
                if (resolution == 0 || resolution > max_size)
                    throw_frame_error(reader, "Invalid segment resolution!");
                seg.resolution = static_cast<std::int32_t>(resolution);
                resolution_read = true;
            }
            const std::int64_t length = reader.read_bits(bit_length(remaining / seg.resolution));
            const std::int64_t length_bits = length * seg.resolution * 8;
            if (length_bits < min_segment_bits || length_bits > 8 * bytes_per_channel - used - min_segment_bits)
                throw_frame_error(reader, "Invalid segment length!");
            lengths[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(length);
            remaining -= length * seg.resolution;
            used += length_bits;
            ++i;
            end_of_channel = reader.read_bits(1);
        }
        seg.segment_count[static_cast<std::size_t>(ch)] = i + 1;
        lengths[static_cast<std::size_t>(i)] = 0;
    }
};

// Table numbers come in order of first use: a number equal to the count so far opens a new table.
std::int32_t read_table_number(dst_bit_reader& reader, std::int32_t& count)
{
    const auto v = static_cast<std::int32_t>(reader.read_bits(bit_length(count)));
    if (v > count)
        throw_frame_error(reader, "Invalid table number for segment!");
    if (v == count)
        ++count;
    return v;
}

}  // namespace

void read_segmentation(dst_bit_reader& reader, dst_segmentation& seg, int channel_count,
                       std::int32_t bytes_per_channel, int max_segments, int min_segment_bits,
                       std::uint32_t& same_flag)
{
    segment_reader r{reader, seg, bytes_per_channel, max_segments, min_segment_bits,
                     static_cast<std::int64_t>(bytes_per_channel) - min_segment_bits / 8};
    same_flag = reader.read_bits(1);
    if (same_flag == 1) {
        r.read_channel(0);
        for (int ch = 1; ch < channel_count; ++ch) {
            seg.segment_count[static_cast<std::size_t>(ch)] = seg.segment_count[0];
            std::ranges::copy(seg.segment_length.row(0), seg.segment_length.row(static_cast<std::size_t>(ch)).begin());
        }
    } else {
        for (int ch = 0; ch < channel_count; ++ch)
            r.read_channel(ch);
    }
    if (!r.resolution_read)
        seg.resolution = 1;
}

void copy_segmentation(const dst_segmentation& from, dst_segmentation& to, int channel_count)
{
    to.resolution = from.resolution;
    for (int ch = 0; ch < channel_count; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        const std::int32_t count = from.segment_count[c];
        if (count > to.max_segments())
            throw std::runtime_error("Too many segments!");
        to.segment_count[c] = count;
        for (std::int32_t s = 0; s < count; ++s) {
            const std::int32_t length = from.segment_length(c, static_cast<std::size_t>(s));
            if (length != 0 && static_cast<std::int64_t>(length) * from.resolution * 8 <
                                   dst_frame_header::min_ptable_segment_bits)
                throw std::runtime_error("Invalid segment length!");
            to.segment_length(c, static_cast<std::size_t>(s)) = length;
        }
    }
}

void read_mapping(dst_bit_reader& reader, dst_segmentation& seg, int channel_count, int max_tables,
                  std::uint32_t& same_flag, std::int32_t& table_count)
{
    std::int32_t count = 1;
    seg.segment_table(0, 0) = 0;
    same_flag = reader.read_bits(1);
    if (same_flag == 1) {
        const std::int32_t segments = seg.segment_count[0];
        for (std::int32_t s = 1; s < segments; ++s)
            seg.segment_table(0, static_cast<std::size_t>(s)) = read_table_number(reader, count);
        for (int ch = 1; ch < channel_count; ++ch) {
            const auto c = static_cast<std::size_t>(ch);
            if (seg.segment_count[c] != segments)
                throw_frame_error(reader, "Mapping can't be the same for all channels!");
            std::ranges::copy(seg.segment_table.row(0), seg.segment_table.row(c).begin());
        }
    } else {
        for (int ch = 0; ch < channel_count; ++ch) {
            const auto c = static_cast<std::size_t>(ch);
            for (std::int32_t s = (ch == 0 ? 1 : 0); s < seg.segment_count[c]; ++s)
                seg.segment_table(c, static_cast<std::size_t>(s)) = read_table_number(reader, count);
        }
    }
    if (count > max_tables)
        throw_frame_error(reader, "Too many tables for this frame!");
    table_count = count;
}

void copy_mapping(const dst_segmentation& from, dst_segmentation& to, int channel_count,
                  std::int32_t from_count, int max_tables, std::int32_t& table_count)
{
    for (int ch = 0; ch < channel_count; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        if (to.segment_count[c] != from.segment_count[c])
            throw std::runtime_error("Not same number of segments for filters and Ptables!");
        for (std::int32_t s = 0; s < from.segment_count[c]; ++s)
            to.segment_table(c, static_cast<std::size_t>(s)) = from.segment_table(c, static_cast<std::size_t>(s));
    }
    if (from_count > max_tables)
        throw std::runtime_error("Too many tables for this frame!");
    table_count = from_count;
}

void expand_segmentation(const dst_segmentation& seg, int channel_count, dst_matrix<std::uint8_t>& of_byte)
{
    const auto bytes = static_cast<std::int64_t>(of_byte.columns());
    for (int ch = 0; ch < channel_count; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        auto row = of_byte.row(c);
        const std::int32_t last = seg.segment_count[c] - 1;
        std::int64_t start = 0;
        for (std::int32_t s = 0; s < last; ++s) {
            // The segment checks keep every segment inside the frame; the clamp only guards the writes.
            const std::int64_t end =
                std::min(bytes, start + static_cast<std::int64_t>(seg.segment_length(c, static_cast<std::size_t>(s))) *
                                            seg.resolution);
            std::fill(row.begin() + start, row.begin() + end,
                      static_cast<std::uint8_t>(seg.segment_table(c, static_cast<std::size_t>(s))));
            start = end;
        }
        std::fill(row.begin() + start, row.end(),
                  static_cast<std::uint8_t>(seg.segment_table(c, static_cast<std::size_t>(last))));
    }
}
