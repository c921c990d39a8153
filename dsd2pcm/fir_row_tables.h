// The filter tables as rows of doubles, one row per byte value, for converters that add each input byte's share
// to all 16 outputs it reaches at once instead of looking up 16 tables per output.
//
// Why the sums stay exact: every table entry is a multiple of 2^-44 and the 16 largest magnitudes, one per
// window slot, add up to less than 2^9, so every partial sum of an output in any order is a multiple of 2^-44
// below 2^9 in magnitude and exact in double precision. The reference form's double sum is exact for the same
// reason, so an output rounded once to single precision gives the reference's float whatever the order of its
// additions. The builder checks this premise on the actual tables and refuses (returns nothing) when it does not
// hold.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

// A byte at window position m is slot k = 15 − j of output m + j (j = 0 … 15): row element fir_row_lead + j holds
// that slot's entry for the byte. The zeros around the 16 terms let a row be read from 3 elements before its first
// term onwards, so that its terms line up with groups of 4 outputs whatever the byte's place in its group.
inline constexpr int fir_row_lead = 3;
inline constexpr int fir_row_length = 24;

// Complement symmetry halves the rows: every slot's entry for 255 − v is minus that for v (for the older side
// because reversing 255 − v gives 255 − reverse(v)), so a byte v ≥ 128 reads row 255 − v with every sign flipped.
struct fir_row_tables {
    // rows[u]: the terms of byte value u < 128; 192 bytes, three whole cache lines.
    alignas(64) double rows[128][fir_row_length];
    // row_offset[v]: where the row byte v reads starts, in bytes from rows[0] (a lookup is cheaper than the
    // arithmetic).
    std::uint16_t row_offset[256];
    // sign_flip[v >> 7]: the bits that negate a term of byte v when XORed into it (+0.0 or −0.0).
    double sign_flip[2];
};

// Builds the rows from `byte_tables` (8 × 256 floats) and `bit_reverse`, or returns nullptr when an entry breaks
// the premise: not finite, not a multiple of 2^-44, no complement symmetry, or the slots' largest magnitudes
// summing to 2^9 or more.
std::unique_ptr<fir_row_tables> build_fir_row_tables(std::span<const float> byte_tables,
                                                     std::span<const std::uint8_t, 256> bit_reverse);
