#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "dst/dst_arith_decoder.h"
#include "dst/dst_lookahead_arith.h"

namespace {

// A code of `bits` bits, packed and zero-padded as dst_packed_code holds it, and one bit per byte.
struct test_code {
    std::vector<std::uint8_t> packed;
    std::vector<std::uint8_t> unpacked;
};

test_code random_code(std::mt19937& rng, int bits, unsigned density_shift)
{
    test_code c;
    c.packed.assign(static_cast<std::size_t>(bits / 8 + 64), 0);
    c.unpacked.assign(static_cast<std::size_t>(bits), 0);
    for (int i = 1; i < bits; ++i) {
        const bool one = (rng() >> density_shift) == 0 || (density_shift == 0 && (rng() & 1));
        c.unpacked[static_cast<std::size_t>(i)] = one ? 1 : 0;
        if (one)
            c.packed[static_cast<std::size_t>(i / 8)] |= static_cast<std::uint8_t>(0x80u >> (i % 8));
    }
    return c;
}

}  // namespace

// The lookahead form's arithmetic decoder follows the plain one step by step (bit, range, code,
// read position) for every probability, on sparse and dense codes; random codes are mostly not
// valid arithmetic codes (code not below the range), where the 32-bit arithmetic must agree too.
TEST(lookahead_arith, steps_match_plain_decoder)
{
    for (unsigned seed = 0; seed < 24; ++seed) {
        std::mt19937 rng(seed);
        const int bits = 20000;
        const test_code code = random_code(rng, bits, seed % 3 == 0 ? 0u : 29u + seed % 3);
        dst_arith_decoder plain;
        plain.attach(code.unpacked.data(), bits);
        lookahead_arith fast;
        fast.start(code.packed.data());
        // At most 8 bits a step: stay within the code plus its padding.
        for (int step = 0; step < 2400; ++step) {
            const std::uint32_t p = seed % 4 == 1 ? 128u : 1u + static_cast<std::uint32_t>(rng() % 128);
            const int expected = plain.decode_bit(p);
            const auto got = static_cast<int>(fast.decode(p));
            ASSERT_EQ(got, expected) << "seed " << seed << ", step " << step << ", p " << p;
            ASSERT_EQ(fast.range, plain.range) << "seed " << seed << ", step " << step;
            ASSERT_EQ(fast.code(), plain.code) << "seed " << seed << ", step " << step;
            ASSERT_EQ(fast.consumed(), plain.read_pos) << "seed " << seed << ", step " << step;
        }
    }
}
