// A filter's prediction summed over a channel's packed history, one table entry per group of
// 8 past bits: the wide form's sums, and the order of the lookahead kernel's lane sums
// (sum_history_lanes). Internal linkage, as for the kernels' helpers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace {

// Σ over the groups g < groups of entry(g), group g's table entry. Unrolled from the highest
// group down, so that every entry(g) sees a constant g; two sums halve the chain of additions.
template <class sum_type, class entry_of_group>
[[gnu::always_inline]] inline sum_type sum_over_groups(int groups, entry_of_group entry)
{
    sum_type a{};
    sum_type b{};
    switch (groups) {
    case 16: a += entry(15); [[fallthrough]];
    case 15: b += entry(14); [[fallthrough]];
    case 14: a += entry(13); [[fallthrough]];
    case 13: b += entry(12); [[fallthrough]];
    case 12: a += entry(11); [[fallthrough]];
    case 11: b += entry(10); [[fallthrough]];
    case 10: a += entry(9); [[fallthrough]];
    case 9: b += entry(8); [[fallthrough]];
    case 8: a += entry(7); [[fallthrough]];
    case 7: b += entry(6); [[fallthrough]];
    case 6: a += entry(5); [[fallthrough]];
    case 5: b += entry(4); [[fallthrough]];
    case 4: a += entry(3); [[fallthrough]];
    case 3: b += entry(2); [[fallthrough]];
    case 2: a += entry(1); [[fallthrough]];
    case 1: b += entry(0); [[fallthrough]];
    default: break;
    }
    return a + b;
}

// Σ over the history's groups g < groups of tables[g × 256 + the group's 8 bits]; lo and hi are
// the history's bits 0..63 and 64..127.
template <class sum_type, class entry_type>
[[gnu::always_inline]] inline sum_type sum_history_groups(const entry_type* tables, int groups, std::uint64_t lo,
                                                          std::uint64_t hi)
{
    return sum_over_groups<sum_type>(groups, [&](int g) __attribute__((always_inline)) {
        const std::uint64_t half = g < 8 ? lo : hi;
        return tables[static_cast<std::size_t>(g) * 256 + ((half >> ((8 * g) & 63)) & 0xFFu)];
    });
}

}  // namespace
