// A filter's prediction summed over a channel's packed history, one table entry per group of
// 8 past bits, as the wide form sums it. (The lookahead kernel sums whole bytes of
// predictions in lanes: sum_history_lanes.) Internal linkage, as for the kernels' helpers.
#pragma once

#include <cstdint>

namespace {

// Σ over the history's groups g < groups of tables[g × 256 + the group's 8 bits]; lo and hi are
// the history's bits 0..63 and 64..127. Unrolled from the highest group down; two sums halve
// the chain of additions.
template <class sum_type, class entry_type>
[[gnu::always_inline]] inline sum_type sum_history_groups(const entry_type* tables, int groups, std::uint64_t lo,
                                                          std::uint64_t hi)
{
    sum_type a{};
    sum_type b{};
    switch (groups) {
    case 16: a += tables[15 * 256 + (hi >> 56)]; [[fallthrough]];
    case 15: b += tables[14 * 256 + ((hi >> 48) & 0xFF)]; [[fallthrough]];
    case 14: a += tables[13 * 256 + ((hi >> 40) & 0xFF)]; [[fallthrough]];
    case 13: b += tables[12 * 256 + ((hi >> 32) & 0xFF)]; [[fallthrough]];
    case 12: a += tables[11 * 256 + ((hi >> 24) & 0xFF)]; [[fallthrough]];
    case 11: b += tables[10 * 256 + ((hi >> 16) & 0xFF)]; [[fallthrough]];
    case 10: a += tables[9 * 256 + ((hi >> 8) & 0xFF)]; [[fallthrough]];
    case 9: b += tables[8 * 256 + (hi & 0xFF)]; [[fallthrough]];
    case 8: a += tables[7 * 256 + (lo >> 56)]; [[fallthrough]];
    case 7: b += tables[6 * 256 + ((lo >> 48) & 0xFF)]; [[fallthrough]];
    case 6: a += tables[5 * 256 + ((lo >> 40) & 0xFF)]; [[fallthrough]];
    case 5: b += tables[4 * 256 + ((lo >> 32) & 0xFF)]; [[fallthrough]];
    case 4: a += tables[3 * 256 + ((lo >> 24) & 0xFF)]; [[fallthrough]];
    case 3: b += tables[2 * 256 + ((lo >> 16) & 0xFF)]; [[fallthrough]];
    case 2: a += tables[1 * 256 + ((lo >> 8) & 0xFF)]; [[fallthrough]];
    case 1: b += tables[lo & 0xFF]; [[fallthrough]];
    default: break;
    }
    return a + b;
}

}  // namespace
