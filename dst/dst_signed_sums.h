// The table-building step shared by the per-frame prediction tables.
#pragma once

#include <bit>

// Fills table[v], v in 0 .. 2^bits − 1, with Σ over b < bits of ±weight[b]: + where bit b of v
// is set (a +1 bit), − where it is clear. Each entry differs from the one without its lowest set
// bit by turning that bit's −1 into +1: twice its weight.
template <class value_type>
void fill_signed_sums(value_type* table, int bits, const value_type* weight)
{
    value_type all_minus{};
    for (int b = 0; b < bits; ++b)
        all_minus -= weight[b];
    table[0] = all_minus;
    for (unsigned v = 1; v < (1u << bits); ++v) {
        const unsigned lowest = v & (0u - v);
        const value_type w = weight[std::countr_zero(lowest)];
        table[v] = static_cast<value_type>(table[v ^ lowest] + w + w);
    }
}
