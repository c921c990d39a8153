// Per-frame lookup tables that turn a filter's dot product over 128 past ±1 bits into
// at most 16 table lookups. Built once per frame for the frame's filters.
//
// Layout: for filter f, group g (0..15) and byte value v, entry [f][g][v] is
//   Σ over b = 0..7 of coef[f][8g + b] × (bit b of v ? +1 : −1),
// with coefficients beyond the filter's order taken as 0. With the channel's history
// packed so that bit k is the bit k + 1 steps back (1 for +1), the prediction is the sum
// over g of entry [f][g][byte g of the history]. |entry| ≤ 8 × 256, so 16 bits hold it.
#pragma once

#include <cstdint>
#include <vector>

#include "dst/dst_frame_header.h"

class dst_prediction_tables {
public:
    static constexpr int groups_per_filter = 16;
    static constexpr int entries_per_group = 256;

    void create(int max_filters);
    void release();

    // Builds the tables of filters 0 .. header.filter_count − 1.
    void build(const dst_frame_header& header);

    const std::int16_t* filter(std::size_t f) const
    {
        return sums_.data() + f * groups_per_filter * entries_per_group;
    }
    // Groups that hold non-zero coefficients: ⌈order / 8⌉.
    int groups(std::size_t f) const { return groups_[f]; }

private:
    std::vector<std::int16_t> sums_;
    std::vector<int> groups_;
};
