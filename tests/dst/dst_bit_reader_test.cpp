#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "dst/dst_bit_reader.h"

// Bytes are read first to last, each from its most significant bit down.
TEST(dst_bit_reader, reads_most_significant_bit_first)
{
    const std::vector<std::uint8_t> frame = {0xA5, 0x3C};
    dst_bit_reader reader;
    reader.load_frame(frame);
    EXPECT_EQ(reader.read_bits(4), 0xAu);
    EXPECT_EQ(reader.read_bits(8), 0x53u);
    EXPECT_EQ(reader.read_bits(1), 1u);
    EXPECT_EQ(reader.read_bits(3), 0x4u);
    EXPECT_EQ(reader.bits_consumed(), 16);
    EXPECT_TRUE(reader.exhausted());
    EXPECT_FALSE(reader.overran());
}

// Past the end the reader yields zeros and keeps counting what was asked for.
TEST(dst_bit_reader, reads_past_the_end_yield_zeros_and_keep_counting)
{
    const std::vector<std::uint8_t> frame = {0xFF};
    dst_bit_reader reader;
    reader.load_frame(frame);
    EXPECT_EQ(reader.read_bits(4), 0xFu);
    EXPECT_EQ(reader.read_bits(8), 0xF0u);
    EXPECT_EQ(reader.read_bits(32), 0u);
    EXPECT_EQ(reader.bits_consumed(), 44);
    EXPECT_TRUE(reader.overran());

    reader.load_frame({});
    EXPECT_EQ(reader.read_bits(1), 0u);
    EXPECT_TRUE(reader.overran());
}

// A width of 0 reads nothing; a negative width is refused with its message.
TEST(dst_bit_reader, zero_width_reads_nothing_and_negative_width_throws)
{
    const std::vector<std::uint8_t> frame = {0x80};
    dst_bit_reader reader;
    reader.load_frame(frame);
    EXPECT_EQ(reader.read_bits(0), 0u);
    EXPECT_EQ(reader.bits_consumed(), 0);
    try {
        reader.read_bits(-1);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "a negative number of bits allocated");
    }
    EXPECT_EQ(reader.read_bits(1), 1u);
}

// The bit array holds one bit per byte, continuing from where the fields stopped.
TEST(dst_bit_reader, bit_array_stores_one_bit_per_byte)
{
    const std::vector<std::uint8_t> frame = {0x5A};
    dst_bit_reader reader;
    reader.load_frame(frame);
    reader.read_bits(2);
    std::vector<std::uint8_t> bits(8, 7);
    reader.read_bit_array(8, bits.data());
    EXPECT_EQ(bits, (std::vector<std::uint8_t>{0, 1, 1, 0, 1, 0, 0, 0}));
    EXPECT_EQ(reader.bits_consumed(), 10);
}

// Loading a frame rewinds to its first bit.
TEST(dst_bit_reader, load_frame_rewinds)
{
    const std::vector<std::uint8_t> first = {0x12, 0x34};
    const std::vector<std::uint8_t> second = {0xC0};
    dst_bit_reader reader;
    reader.load_frame(first);
    reader.read_bits(12);
    reader.load_frame(second);
    EXPECT_EQ(reader.bits_consumed(), 0);
    EXPECT_EQ(reader.read_bits(2), 3u);
}

// Field widths: the number of binary digits, 0 below 1.
TEST(bit_length, counts_binary_digits)
{
    EXPECT_EQ(bit_length(-5), 0);
    EXPECT_EQ(bit_length(0), 0);
    EXPECT_EQ(bit_length(1), 1);
    EXPECT_EQ(bit_length(2), 2);
    EXPECT_EQ(bit_length(3), 2);
    EXPECT_EQ(bit_length(4), 3);
    EXPECT_EQ(bit_length(4576), 13);
    EXPECT_EQ(bit_length(4700), 13);
    EXPECT_EQ(bit_length(8192), 14);
    EXPECT_EQ(bit_length(0x80000000LL), 32);
}
