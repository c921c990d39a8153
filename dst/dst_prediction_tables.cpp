#include "dst/dst_prediction_tables.h"

#include "dst/dst_signed_sums.h"

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
            // Coefficients are 9-bit: a group's sum fits 16 bits.
            std::int16_t c[8];
            for (int b = 0; b < 8; ++b) {
                const int k = 8 * g + b;
                c[b] = static_cast<std::int16_t>(k < order ? coef[static_cast<std::size_t>(k)] : 0);
            }
            fill_signed_sums(sums + g * entries_per_group, 8, c);
        }
    }
}
