// Lookup tables of the DSD-to-PCM filter: the partial sum of each byte
// position for every byte value, and the bit reversal of a byte.
#pragma once

#include <cstdint>
#include <span>

// Fills `tables` (half_length × 256 entries; half_length = size / 256, at most
// 8): entry i×256 + v is the filter's partial sum for byte value v at distance
// i from the centre, the bit mask 0x80 meeting coefficient 8i. A set bit counts
// +1, a clear bit −1. Summed in double precision, bit 7 first, then rounded to
// single precision.
void build_byte_tables(std::span<float> tables);

// Entry v is v with its 8 bits in reverse order.
void build_bit_reverse(std::span<std::uint8_t, 256> table);
