#include "dst/dst_lookahead_tables.h"

#include <algorithm>
#include <cstdlib>

#include "dst/dst_signed_sums.h"

void dst_lookahead_tables::create(int max_filters, int max_ptables)
{
    const auto filters = static_cast<std::size_t>(max_filters);
    lanes_.assign(filters * groups_per_filter * entries_per_group, dst_lanes{});
    history_groups_.assign(filters, 0);
    windows_.assign(filters * window_entries, 0);
    complement_windows_.assign(filters * window_entries, 0);
    newest_weight_.assign(filters, 0);
    probabilities_.assign(static_cast<std::size_t>(max_ptables) * signed_entries, 128);
}

void dst_lookahead_tables::release()
{
    std::vector<dst_lanes>().swap(lanes_);
    std::vector<int>().swap(history_groups_);
    std::vector<std::int16_t>().swap(windows_);
    std::vector<std::int16_t>().swap(complement_windows_);
    std::vector<std::int32_t>().swap(newest_weight_);
    std::vector<std::uint16_t>().swap(probabilities_);
}

bool dst_lookahead_tables::build(const dst_frame_header& header)
{
    for (std::int32_t f = 0; f < header.filter_count; ++f) {
        const auto fi = static_cast<std::size_t>(f);
        const std::int32_t order = header.filter_order[fi];
        const auto row = header.filter_coef.row(fi);
        auto coef = [&](int k) { return k < order ? row[static_cast<std::size_t>(k)] : 0; };

        std::int32_t magnitude = 0;
        for (int k = 0; k < order; ++k)
            magnitude += std::abs(coef(k));
        if (magnitude > 32767)
            return false;

        // Every lane at once for the history groups: lane m of bit b's weight is the
        // coefficient of bit m's prediction that meets it.
        const int groups = (order + 5) / 8;
        history_groups_[fi] = groups;
        dst_lanes* lanes = lanes_.data() + fi * groups_per_filter * entries_per_group;
        for (int g = 0; g < groups; ++g) {
            dst_lanes bit_weight[8];
            for (int b = 0; b < 8; ++b)
                for (int m = 0; m < 8; ++m)
                    bit_weight[b][m] = static_cast<std::int16_t>(coef(m + 2 + 8 * g + b));
            fill_signed_sums(lanes + g * entries_per_group, 8, bit_weight);
        }

        std::int16_t* windows = windows_.data() + fi * window_entries;
        for (int m = 0; m < 8; ++m) {
            const int bits = m + 2;
            std::int16_t weight[10];
            for (int k = 0; k < bits; ++k)
                weight[k] = static_cast<std::int16_t>(coef(k));
            fill_signed_sums(windows + ((4u << m) - 4), bits, weight);
            const std::size_t mask = (std::size_t{4} << m) - 1;
            const std::int16_t* window = windows + ((4u << m) - 4);
            std::int16_t* complements = complement_windows_.data() + fi * window_entries + ((4u << m) - 4);
            for (std::size_t c = 0; c <= mask; ++c)
                complements[c] = window[mask - c];
        }
        newest_weight_[fi] = 2 * coef(0);
    }

    for (std::int32_t t = 0; t < header.ptable_count; ++t) {
        const auto ti = static_cast<std::size_t>(t);
        const auto length = static_cast<std::size_t>(header.ptable_length[ti]);
        const auto row = header.ptables.row(ti);
        // Index i ≥ 0 stands for |prediction| >> 3 = i, index −1 − i for the same magnitude
        // of a negative prediction.
        std::uint16_t* zero = probabilities_.data() + ti * signed_entries + signed_entries / 2;
        for (std::size_t i = 0; i < signed_entries / 2; ++i) {
            const auto p = static_cast<std::uint16_t>(row[std::min(i, length - 1)]);
            zero[i] = static_cast<std::uint16_t>(p | not_negative);
            *(zero - 1 - i) = p;
        }
    }
    return true;
}
