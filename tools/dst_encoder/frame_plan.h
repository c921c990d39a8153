// The layout of a coded frame: how each channel is cut into filter and
// probability-table segments, which table each segment uses, and the flags
// that say how all of it is written.
#pragma once

#include "dst_encoder/encoder_options.h"
#include "dst_encoder/frame_geometry.h"

#include <vector>

namespace dst_encoder {

struct segmentation {
    int resolution = 1; // bytes per length unit
    // Per channel, the length of every segment but the last, in resolution
    // units; the last segment runs to the end of the frame.
    std::vector<std::vector<int>> lengths;
    // Per channel, the table number of every segment (lengths.size() + 1 entries),
    // numbered in order of first use as the mapping is written.
    std::vector<std::vector<int>> tables;
    int table_count = 1;
    bool same_seg_all_channels = true;
    bool same_map_all_channels = true;

    int segment_count(int channel) const { return static_cast<int>(tables[static_cast<std::size_t>(channel)].size()); }
    // Table number of every bit of one channel.
    std::vector<int> table_of_bit(int channel, int bits_per_channel) const;
};

struct frame_plan {
    segmentation filters;
    segmentation ptables;
    bool ptable_same_seg_as_filter = true;
    bool ptable_same_map_as_filter = true;
    std::vector<int> half_prob; // per channel, 0 or 1
};

// Builds a legal layout from the options: counts lowered to what the frame
// holds, flags cleared where the channels differ, table numbers canonical.
frame_plan make_frame_plan(const encoder_options& options, const frame_geometry& geometry);

} // namespace dst_encoder
