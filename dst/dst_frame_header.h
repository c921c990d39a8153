// What the header and table sections of one coded DST frame define, together with
// the decoder's geometry. Every per-frame field is rewritten by each coded frame
// before it is read, so nothing carries over from one frame to the next.
#pragma once

#include <cstdint>
#include <vector>

#include "dst/dst_geometry.h"
#include "dst/dst_matrix.h"

// How each channel's frame is cut into segments and which table each segment uses.
struct dst_segmentation {
    std::int32_t resolution = 1;                // unit of segment lengths, in bytes
    dst_matrix<std::int32_t> segment_length;    // N × max segments; in resolution units, last one 0
    std::vector<std::int32_t> segment_count;    // per channel, 1..max segments
    dst_matrix<std::int32_t> segment_table;     // N × max segments: filter or probability-table number

    void create(int channel_count, int max_segments);
    void release();
    int max_segments() const { return static_cast<int>(segment_length.columns()); }
};

struct dst_frame_header {
    static constexpr int max_filter_segments = 4;
    static constexpr int max_ptable_segments = 8;
    static constexpr int min_filter_segment_bits = 1024;
    static constexpr int min_ptable_segment_bits = 32;

    dst_geometry geometry;

    std::uint32_t frame_length_bytes = 0;
    std::int64_t frame_length_bits = 0;    // 64 bits: 8 × a 32-bit byte count
    std::uint32_t dst_coded = 0;

    std::int32_t filter_count = 0;
    std::int32_t ptable_count = 0;
    std::vector<std::int32_t> filter_order;        // per filter, 1..128
    dst_matrix<std::int32_t> filter_coef;          // max_filters × 128, each −256..255
    std::vector<std::int32_t> ptable_length;       // per table, 1..64
    dst_matrix<std::int32_t> ptables;              // max_ptables × 64, each 1..128

    std::vector<std::int32_t> half_prob;           // per channel, 0 or 1
    std::vector<std::int32_t> half_prob_bits;      // per channel: order of its first filter

    dst_segmentation filter_seg;
    dst_segmentation ptable_seg;
    // Table number of each byte of each channel (N × bytes_per_channel). Segment lengths
    // are whole bytes, so every bit of a byte uses the same filter and probability table.
    dst_matrix<std::uint8_t> filter_of_byte;
    dst_matrix<std::uint8_t> ptable_of_byte;

    std::uint32_t ptable_same_seg_as_filter = 0;
    std::uint32_t ptable_same_map_as_filter = 0;
    std::uint32_t filter_same_seg_all_channels = 0;
    std::uint32_t filter_same_map_all_channels = 0;
    std::uint32_t ptable_same_seg_all_channels = 0;
    std::uint32_t ptable_same_map_all_channels = 0;

    // Sizes every array for the geometry.
    void create(const dst_geometry& g);
    void release();
};
