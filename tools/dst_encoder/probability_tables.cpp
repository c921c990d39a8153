#include "dst_encoder/probability_tables.h"

#include <algorithm>
#include <cmath>

namespace dst_encoder {

std::vector<int> build_probability_table(const residual_statistics& stats, int max_length)
{
    max_length = std::clamp(max_length, 1, max_ptable_length);
    if (max_length == 1) return {128};

    int used = 0;
    for (int i = 0; i < max_ptable_length; ++i)
        if (stats.count[static_cast<std::size_t>(i)] > 0) used = i + 1;
    const int length = std::clamp(used, 2, max_length);

    // The last entry serves every bin from it upwards.
    std::vector<long> count(stats.count.begin(), stats.count.begin() + length);
    std::vector<long> wrong(stats.wrong.begin(), stats.wrong.begin() + length);
    for (int i = length; i < max_ptable_length; ++i) {
        count.back() += stats.count[static_cast<std::size_t>(i)];
        wrong.back() += stats.wrong[static_cast<std::size_t>(i)];
    }

    std::vector<int> table(static_cast<std::size_t>(length), 0);
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (count[i] == 0) continue;
        // Slightly pulled toward 1/2 so that rare bins are not over-trusted.
        const double p = 256.0 * (static_cast<double>(wrong[i]) + 0.4) / (static_cast<double>(count[i]) + 0.8);
        table[i] = std::clamp(static_cast<int>(std::lround(p)), 1, 128);
    }
    // Empty bins copy the nearest filled one below, or above for leading ones.
    int last = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i] == 0) table[i] = last;
        else last = table[i];
    }
    int next = 128;
    for (std::size_t i = table.size(); i-- > 0;) {
        if (table[i] == 0) table[i] = next;
        else next = table[i];
    }
    return table;
}

} // namespace dst_encoder
