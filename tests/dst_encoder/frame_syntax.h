// Reads the syntax of a DST frame up to its arithmetic code, recording every
// choice the encoder made (flags, segment tables, orders, lengths, coding
// methods), so tests can see that a forced feature is really in the bitstream.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace dst_test {

struct segmentation_syntax {
    bool same_seg_all_channels = false; // as read; false when not read
    bool same_map_all_channels = false;
    int resolution = 1;
    std::vector<std::vector<int>> lengths; // per channel, coded lengths
    std::vector<std::vector<int>> tables;  // per channel, table of each segment
    int table_count = 0;
};

struct frame_syntax {
    bool coded = false;
    bool ptable_same_seg_as_filter = false;
    bool ptable_same_map_as_filter = false;
    segmentation_syntax filters, ptables;
    std::vector<int> half_prob;
    std::vector<int> filter_orders;
    std::vector<int> filter_methods; // -1 plain, else 0..2
    std::vector<int> ptable_lengths;
    std::vector<int> ptable_methods; // -1 plain, -2 length 1 (no flag), else 0..2
    long header_bits = 0;
};

// Throws std::runtime_error on anything the decoder would reject before the code.
frame_syntax read_frame_syntax(std::span<const std::uint8_t> frame, int channel_count, int rate_factor);

} // namespace dst_test
