// Choices of the DST encoder. The defaults give good compression; the other
// settings force particular syntax features (for tests, fuzz seeds and
// compatibility with other decoders). Lists are used cyclically: entry
// i % size applies to channel i, filter i or probability table i.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dst_encoder {

// How a filter or probability table is written: chosen for fewest bits, plainly,
// or as the Rice-coded residual of fixed predictor 0, 1 or 2. A forced method the
// table is too short for falls back to the longest valid one, else to plain.
enum class table_coding { automatic, plain, method_0, method_1, method_2 };

// Which filter / probability table each segment uses.
enum class table_mapping {
    per_channel,    // every segment its own table, while the 2 x N limit allows
    by_segment,     // segment s of every channel shares table s
    scrambled       // drawn from `layout_seed`: new tables and reuse mixed
};

struct encoder_options {
    // Orders of the prediction filters, 1..128, by filter number.
    std::vector<int> filter_orders{128};
    // Longest probability tables, 1..64, by table number. The encoder shortens
    // a table to the predictions it sees but never below 2 unless this is 1.
    std::vector<int> ptable_lengths{64};
    std::vector<table_coding> filter_coding{table_coding::automatic};
    std::vector<table_coding> ptable_coding{table_coding::automatic};

    // Segments per channel: 1..4 filter segments, 1..8 probability-table segments.
    // Counts are lowered where the frame is too short for them.
    std::vector<int> filter_segments{1};
    std::vector<int> ptable_segments{1};
    // Segment length unit in bytes; 0 picks one. Lengths are split evenly unless
    // `layout_seed` is non-zero, which draws them (and the resolution when 0).
    int segment_resolution = 0;
    std::uint64_t layout_seed = 0;

    // Write one segmentation / mapping for all channels. Ignored (written per
    // channel) where the channels' segment counts differ.
    bool filter_same_seg_all_channels = true;
    bool filter_same_map_all_channels = true;
    bool ptable_same_seg_all_channels = true;
    bool ptable_same_map_all_channels = true;
    // The probability tables reuse the filter segmentation / mapping.
    bool ptable_same_seg_as_filter = true;
    bool ptable_same_map_as_filter = true;
    table_mapping filter_mapping = table_mapping::per_channel;
    table_mapping ptable_mapping = table_mapping::per_channel;

    // Per channel: decode the first (first filter order) bits at probability 1/2.
    std::vector<bool> half_prob{false};

    // Write every frame uncoded.
    bool force_plain = false;
    // Write a frame uncoded when coding would not make it smaller. When false,
    // a coded frame is written whenever its code fits the frame's limit.
    bool plain_fallback = true;
};

// A random mix of the syntax features above, drawn from `seed`: every choice
// is legal for the geometry, plain fallback is off.
encoder_options random_options(std::uint64_t seed, int channel_count);

// Readable one-line summary, for test traces and the tool's verbose output.
std::string describe(const encoder_options& options);

} // namespace dst_encoder
