#include "dst/dst_prediction_tables.h"

#include <bit>

void dst_prediction_tables::create(int max_filters)
{
    const auto filters = static_cast<std::size_t>(max_filters);
    sums_.assign(filters * groups_per_filter * entries_per_group, 0);
    groups_.assign(filters, 0);
}

void dst_prediction_tables::release()
{
    std::vector<std::int16_t>().swap(sums_);
    std::vector<int>().swap(groups_);
}

void dst_prediction_tables::build(const dst_frame_header& header)
{
    for (std::int32_t f = 0; f < header.filter_count; ++f) {
        const auto fi = static_cast<std::size_t>(f);
        const std::int32_t order = header.filter_order[fi];
        const auto coef = header.filter_coef.row(fi);
        const int groups = (order + 7) / 8;
        groups_[fi] = groups;
        std::int16_t* sums = sums_.data() + fi * groups_per_filter * entries_per_group;
        for (int g = 0; g < groups; ++g) {
            std::int32_t c[8];
            std::int32_t all_minus = 0;
            for (int b = 0; b < 8; ++b) {
                const int k = 8 * g + b;
                c[b] = k < order ? coef[static_cast<std::size_t>(k)] : 0;
                all_minus -= c[b];
            }
            std::int16_t* group = sums + g * entries_per_group;
            group[0] = static_cast<std::int16_t>(all_minus);
            // Each value differs from the one without its lowest set bit by turning that
            // bit's −1 into +1: twice its coefficient.
            for (unsigned v = 1; v < entries_per_group; ++v) {
                const unsigned lowest = v & (0u - v);
                group[v] = static_cast<std::int16_t>(group[v ^ lowest] + 2 * c[std::countr_zero(lowest)]);
            }
        }
    }
}
