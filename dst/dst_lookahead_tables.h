// Per-frame tables of the lookahead form of DST reconstruction (dst_lookahead_kernel.h).
//
// The prediction of bit m (0..7) of a channel's byte is split in two parts:
//   - the history part: the filter's terms over the bits up to two bits before the byte,
//     Σ over i of coef[m + 2 + i] × h[i], where h[i] is the bit i + 1 steps back from
//     the byte's third-last bit before it. For all 8 bits of the byte at once it is the sum
//     over the history's 8-bit groups g of `history_lanes(f)[g][byte g]`, eight 16-bit lanes
//     (lane m for bit m), so one vector addition per group serves the whole byte.
//   - the window part: the terms over the m + 2 newest bits, `window(f, m)[w]` with bit k
//     of w the bit k + 1 steps back (1 for +1), or `window_of_complements(f, m)` indexed by
//     the complement of w, for kernels that keep their history complemented.
// Lane sums stay exact in 16 bits only while Σ|coef| ≤ 32767; `fits_16_bits` says so for
// each filter (only a filter of 128 coefficients all −256 exceeds it).
//
// Probability tables are widened to `probability_and_sign(t)[i]` for every i from −4096 to
// 4095, with i = (prediction − 1) >> 3 for a negative prediction and prediction >> 3
// otherwise (arithmetic shifts). The entry holds, in bits 0..7, the probability for
// |prediction| >> 3, the table's last entry standing for every index beyond it, and in
// bit 8 whether the prediction is 0 or more: one lookup with no clamping gives both.
#pragma once

#include <cstdint>
#include <vector>

#include "dst/dst_frame_header.h"

// Eight 16-bit lanes, one per bit of a byte. GCC and Clang vector extension: plain
// element-wise arithmetic, SSE2 or better where the target has it.
typedef std::int16_t dst_lanes __attribute__((vector_size(16)));

class dst_lookahead_tables {
public:
    static constexpr int groups_per_filter = 16;
    static constexpr int entries_per_group = 256;
    static constexpr int window_entries = 1020;  // 2^(m+2) entries for m = 0..7
    static constexpr int signed_entries = 8192;  // indices −4096..4095 for |prediction| ≤ 32767
    // Bit 8 of a probability_and_sign entry: the prediction is 0 or more.
    static constexpr std::uint16_t not_negative = 0x100;

    void create(int max_filters, int max_ptables);
    void release();

    // Builds the tables of the header's filters and probability tables. Returns false (and
    // builds nothing more) when a filter's sums could leave 16 bits.
    bool build(const dst_frame_header& header);

    const dst_lanes* history_lanes(std::size_t f) const
    {
        return lanes_.data() + f * groups_per_filter * entries_per_group;
    }
    // Groups of 8 history bits that meet a coefficient: ⌈(order − 2) / 8⌉, 0..16.
    int history_groups(std::size_t f) const { return history_groups_[f]; }
    // Window table of bit m: 2^(m+2) entries.
    const std::int16_t* window(std::size_t f, int m) const
    {
        return windows_.data() + f * window_entries + ((4u << m) - 4);
    }
    // The same indexed by the complement of w (bit k of it 1 for −1): window(f, m)[mask − c].
    const std::int16_t* window_of_complements(std::size_t f, int m) const
    {
        return complement_windows_.data() + f * window_entries + ((4u << m) - 4);
    }
    // 2 × coef[0]: what the newest bit adds to a prediction when it is +1 rather than −1.
    std::int32_t newest_bit_weight(std::size_t f) const { return newest_weight_[f]; }
    // Points at index 0 of the table; valid indices are −4096..4095.
    const std::uint16_t* probability_and_sign(std::size_t t) const
    {
        return probabilities_.data() + t * signed_entries + signed_entries / 2;
    }

private:
    std::vector<dst_lanes> lanes_;
    std::vector<int> history_groups_;
    std::vector<std::int16_t> windows_;
    std::vector<std::int16_t> complement_windows_;
    std::vector<std::int32_t> newest_weight_;
    std::vector<std::uint16_t> probabilities_;
};
