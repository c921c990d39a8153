// The arithmetic decoder of the lookahead kernel: its code register and the table that
// normalises its range.
// Internal linkage, like the kernel that includes it: it is built once per instruction-set
// level, inside the kernel's target switch (dst_lookahead_bmi2.cpp), and never shared.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "dst/dst_lookahead_select.h"

namespace {

[[gnu::always_inline]] inline std::uint64_t load_big_endian64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap64(v);
    return v;
}

// Normalising a range x (8..4095 after any step) is a function of x alone: the shift that
// brings it to 2048..4095 and the factor the next step multiplies the probability by (the
// normalised range's top four bits, the lowest also set when bit 7 is set). Looking both up
// for the two candidate ranges while the step compares takes the leading-zero count and the
// factor's bit fiddling off the chain that joins one step to the next.
struct range_normalisations {
    std::array<std::uint8_t, 4096> factor;
    std::array<std::uint8_t, 4096> shift;
};

constexpr range_normalisations make_range_normalisations()
{
    range_normalisations table{};
    for (std::uint32_t x = 1; x < 4096; ++x) {
        std::uint32_t a = x;
        std::uint8_t shift = 0;
        while (a < 2048) {
            a <<= 1;
            ++shift;
        }
        table.factor[x] = static_cast<std::uint8_t>((a >> 8) | ((a >> 7) & 1u));
        table.shift[x] = shift;
    }
    return table;
}

inline constexpr range_normalisations normalisation = make_range_normalisations();

// The arithmetic decoder of dst_arith_decoder.h with the range's multiplication factor kept
// beside it. The code value C sits in the upper half of a 64-bit register and the next code
// bits below it, so normalising shifts them in with the same shift. Below the waiting bits
// is a single 1, the marker: its position tells how many bits wait, so no count has to be
// kept step by step, and the lower half is refilled when fewer bits wait than the coming
// steps can take. Reads need no bounds checks: the code is zero-padded beyond the longest
// read. C keeps the plain decoder's unsigned 32-bit arithmetic, which matters for codes that
// are not valid (value not below the range).
struct lookahead_arith {
    static constexpr int capacity = 31;  // waiting bits after a refill; the marker takes bit 0

    std::uint64_t value;   // C << 32, the waiting code bits (first one most significant), the marker
    std::uint64_t range;   // A, 2048..4095
    std::uint64_t factor;  // A's top four bits, the lowest also set when bit 7 is set
    std::int64_t pos;      // next code bit not yet in value
    const std::uint8_t* bytes;

    void start(const std::uint8_t* code_bytes)
    {
        bytes = code_bytes;
        // The code's first bit never enters the decoder: C starts as bits 1..12, and bits
        // 13..43 wait below it.
        value = (((load_big_endian64(bytes) << 1) >> 20) & ~std::uint64_t{1}) | 1u;
        pos = 44;
        range = 4095;
        factor = normalisation.factor[4095];
    }

    std::uint32_t code() const { return static_cast<std::uint32_t>(value >> 32); }
    int waiting() const { return capacity - std::countr_zero(value); }
    // Bits of the code taken into C so far.
    std::int64_t consumed() const { return pos - waiting(); }

    [[gnu::always_inline]] void refill()
    {
        // The marker at bit t makes room for t new bits at bits t..1 and a new marker at 0;
        // at least 57 valid bits are loaded.
        const int t = std::countr_zero(value);
        const std::uint64_t next = load_big_endian64(bytes + (pos >> 3)) << (pos & 7);
        value = (value & (value - 1)) | (next >> (63 - t)) | 1u;
        pos += t;
    }

    // Before `steps` decodes that do not check: each takes at most 8 bits. Fewer than 8 ×
    // steps bits wait exactly when the marker lies at bit 32 − 8 × steps or above.
    template <int steps>
    [[gnu::always_inline]] void make_room()
    {
        static_assert(steps >= 1 && 8 * steps <= capacity);
        constexpr std::uint64_t below_enough = (std::uint64_t{1} << (32 - 8 * steps)) - 1;
        if ((value & below_enough) == 0) [[unlikely]]
            refill();
    }

    [[gnu::always_inline]] std::uint64_t decode(std::uint64_t p)
    {
        const std::uint64_t one = decode_unchecked(p);
        make_room<1>();
        return one;
    }

    // A step for which make_room made room.
    [[gnu::always_inline]] std::uint64_t decode_unchecked(std::uint64_t p)
    {
        std::uint64_t unused = 0;
        return step<false>(p, unused);
    }

    // Steps that shift the complement of their bit into `complements` instead of returning
    // the bit: complements = (complements << 1) | (1 − bit).
    [[gnu::always_inline]] void decode_into(std::uint64_t p, std::uint64_t& complements)
    {
        step<true>(p, complements);
        make_room<1>();
    }
    [[gnu::always_inline]] void decode_unchecked_into(std::uint64_t p, std::uint64_t& complements)
    {
        step<true>(p, complements);
    }

private:
    template <bool shift_complement>
    [[gnu::always_inline]] std::uint64_t step(std::uint64_t p, std::uint64_t& complements)
    {
        // 64-bit throughout: no zero extension stands between a result and its use as an index.
        const std::uint64_t q = p * factor;
        const std::uint64_t h = range - q;
        // q is 8..1920 and h 128..4087 whatever the code, so both index the table.
        std::uint64_t new_range = h;
        std::uint64_t new_factor = normalisation.factor[h];
        std::uint64_t shift = normalisation.shift[h];
        const std::uint64_t one =
            select_on_code<shift_complement>(value, h << 32, q, normalisation.factor[q], normalisation.shift[q],
                                             new_range, new_factor, shift, complements);
        // The range is at least 8 after a step, so at most 8 bits come in.
        range = new_range << shift;
        factor = new_factor;
        value <<= shift;
        return one;
    }
};

}  // namespace
