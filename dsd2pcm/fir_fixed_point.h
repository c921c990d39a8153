// The exact fixed point both vector forms of the filter check their tables against: every byte-table entry
// is a multiple of 2^-44, held as the integer E = entry × 2^44.
#pragma once

#include <cstdint>

inline constexpr int fir_fixed_point_bits = 44;

// E for `value`, if it is an integer that an int64 and a double both hold exactly (|E| < 2^53); else false.
bool to_fir_fixed_point(float value, std::int64_t& fixed);
