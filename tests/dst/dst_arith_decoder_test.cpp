#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "dst/dst_arith_decoder.h"
#include "dst/dst_reconstruction.h"

// q is p times the range's top four bits, with the lowest of them set when bit 7 is set.
TEST(dst_arith_split, uses_the_top_bits_of_the_range)
{
    EXPECT_EQ(dst_arith_split(4095, 128), 1920u);  // 128 × (15 | 1)
    EXPECT_EQ(dst_arith_split(2048, 128), 1024u);  // 128 × 8
    EXPECT_EQ(dst_arith_split(0x87F, 128), 1024u);  // bit 7 clear: 8
    EXPECT_EQ(dst_arith_split(0x880, 128), 1152u);  // bit 7 set: 8 | 1
    EXPECT_EQ(dst_arith_split(0x880, 1), 9u);
    EXPECT_EQ(dst_arith_split(0x8FF, 3), 27u);     // 8 | 1 → 9
    EXPECT_EQ(dst_arith_split(0xF7F, 2), 30u);     // 15 | 0
}

// The restart shifts in the 12 bits after the first; a 1 is decoded when the code reaches range − q.
TEST(dst_arith_decoder, restart_and_first_steps_at_probability_one_half)
{
    // adata[0] is never shifted in; the next 12 bits 1000 0111 1111 give code 2175.
    const std::vector<std::uint8_t> adata = {0, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0};
    dst_arith_decoder arith;
    arith.attach(adata.data(), static_cast<std::int64_t>(adata.size()));
    EXPECT_EQ(arith.decode_bit(128), 1);  // range 4095: h = 2175, code 2175 ≥ h
    EXPECT_EQ(arith.needs_init, 0u);
    // code 0, range 1920 → doubled once with adata[13] = 1.
    EXPECT_EQ(arith.range, 3840u);
    EXPECT_EQ(arith.code, 1u);
    EXPECT_EQ(arith.read_pos, 14);

    dst_arith_decoder below;
    std::vector<std::uint8_t> smaller = adata;
    smaller[12] = 0;  // code 2174 < 2175
    below.attach(smaller.data(), static_cast<std::int64_t>(smaller.size()));
    EXPECT_EQ(below.decode_bit(128), 0);
    EXPECT_EQ(below.range, 2175u);
    EXPECT_EQ(below.code, 2174u);
    EXPECT_EQ(below.read_pos, 13);
}

// An all-zero code keeps the code at 0: every step yields 0 and the range stays in 2048..4095.
TEST(dst_arith_decoder, zero_code_always_decodes_zero)
{
    const std::vector<std::uint8_t> adata(4000, 0);
    std::mt19937 rng(7);
    dst_arith_decoder arith;
    arith.attach(adata.data(), static_cast<std::int64_t>(adata.size()));
    for (int step = 0; step < 3000; ++step) {
        const auto p = std::uniform_int_distribution<std::uint32_t>(1, 128)(rng);
        ASSERT_EQ(arith.decode_bit(p), 0) << "step " << step << ", p " << p;
        ASSERT_EQ(arith.code, 0u);
        ASSERT_GE(arith.range, 2048u);
        ASSERT_LE(arith.range, 4095u);
    }
}

// Code bits past the end read as 0.
TEST(dst_arith_decoder, bits_past_the_end_read_as_zero)
{
    const std::vector<std::uint8_t> ones = {0, 1, 1, 1};
    dst_arith_decoder arith;
    arith.attach(ones.data(), 4);
    arith.restart();
    EXPECT_EQ(arith.code, 0b111000000000u);
    EXPECT_EQ(arith.read_pos, 13);
}

// The code ends properly with at most 7 bits never shifted in, all of them 0.
TEST(dst_arith_decoder, finish_accepts_at_most_seven_unread_zero_bits)
{
    std::vector<std::uint8_t> adata(20, 0);
    dst_arith_decoder arith;
    arith.attach(adata.data(), 20);
    arith.read_pos = 13;  // 7 unread
    EXPECT_FALSE(arith.finish());
    EXPECT_EQ(arith.needs_init, 1u);
    arith.read_pos = 12;  // 8 unread
    EXPECT_TRUE(arith.finish());
    arith.read_pos = 25;  // read past the end
    EXPECT_FALSE(arith.finish());

    adata[19] = 1;
    arith.read_pos = 13;
    EXPECT_TRUE(arith.finish());
    arith.read_pos = 20;
    EXPECT_FALSE(arith.finish());
}

// The first, discarded bit's probability: the first coefficient's 7 low bits mirrored, plus 1.
TEST(first_bit_probability, mirrors_the_seven_low_bits_of_the_first_coefficient)
{
    EXPECT_EQ(first_bit_probability(0), 1u);
    EXPECT_EQ(first_bit_probability(1), 65u);
    EXPECT_EQ(first_bit_probability(-1), 128u);
    EXPECT_EQ(first_bit_probability(64), 2u);
    EXPECT_EQ(first_bit_probability(6), 49u);    // 000 0110 → 011 0000
    EXPECT_EQ(first_bit_probability(-256), 1u);  // low 7 bits 0
    EXPECT_EQ(first_bit_probability(255), 128u);
}
