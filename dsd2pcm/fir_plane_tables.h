// The filter tables in exact fixed point, split into byte planes, for converters that sum the 16 terms of an
// output as integers in vector registers instead of as doubles.
//
// Why integers give the same bits: every table entry is a multiple of 2^-44 and every partial sum of an output
// stays below 4 in magnitude, so the double-precision running sum of the reference form is exact whatever the
// order of its additions, and an output is the exact sum rounded once to single precision. Any exact sum
// rounded once gives the same float. The builder checks this premise on the actual tables and refuses (returns
// nothing) when it does not hold, so a converter can never silently differ from the reference form.
#pragma once

#include "dsd2pcm/fir_fixed_point.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>


// Byte planes of E across all tables: plane p weighs 256^p.
inline constexpr int fir_plane_count = 6;

// Window slots of one output: slot k holds byte n−15+k of output n. Slots 0…7 are the older side (table 7−k,
// with the bit reversal folded in), slots 8…15 the newer side (table k−8).
inline constexpr int fir_slot_count = 16;

// The planes one table's entries occupy: `lowest` … `lowest` + `count` − 1. Every E of the table is a multiple
// of 256^lowest, and |E| / 256^lowest < 2^(8 × count − 1).
struct fir_plane_range {
    int lowest;
    int count;
};

// Per table (distance from the centre 0…7); the big tables near the centre have coarse steps, the small outer
// ones fine steps, so each needs only 4 or 5 of the 6 planes.
inline constexpr std::array<fir_plane_range, 8> fir_plane_layout = {{
    {2, 4}, {1, 5}, {1, 5}, {1, 5}, {1, 4}, {1, 4}, {0, 5}, {0, 4},
}};

constexpr fir_plane_range fir_slot_planes(int slot)
{
    return fir_plane_layout[static_cast<std::size_t>(slot < 8 ? 7 - slot : slot - 8)];
}

// Complement symmetry halves the tables: entry(255 − v) = −entry(v) on both sides (for the older side because
// reversing 255 − v gives 255 − reverse(v)). A byte v < 128 reads entry u = v; a byte v ≥ 128 reads
// u = 255 − v and negates. With bias B = 2^(8 × count − 1), R(u) = E(u) / 256^lowest + B lies in
// [1, 2^(8 × count) − 1], and −E(u) / 256^lowest = (2^(8 × count) − 1 − R(u)) + 1 − B: the negated term is R with
// every byte plane complemented, plus 1 at its lowest plane, minus the same bias as a positive term.
struct fir_plane_tables {
    // planes[k][p][u]: byte p − lowest of R(u) for slot k, for the planes p of the slot's range; zero elsewhere.
    alignas(64) std::uint8_t planes[fir_slot_count][fir_plane_count][128];
};

// Builds the plane tables from `byte_tables` (8 × 256 floats) and `bit_reverse`, or returns nullptr when an
// entry breaks the premise: not a multiple of 2^-44, no complement symmetry, outside its table's planes, or
// the sum of the 16 largest magnitudes too large for an exact double sum and an exact float split
// (at or above 2^46 in fixed point).
std::unique_ptr<fir_plane_tables> build_fir_plane_tables(std::span<const float> byte_tables,
                                                         std::span<const std::uint8_t, 256> bit_reverse);
