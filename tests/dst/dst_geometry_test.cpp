#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "dst/dst_frame_decoder.h"

namespace {

std::string create_error(int channel_count, int rate_factor)
{
    dst_frame_decoder decoder;
    try {
        decoder.create(channel_count, rate_factor);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

}  // namespace

// Stereo at 2822400 Hz: a frame of 1/75 s.
TEST(dst_geometry, stereo_at_rate_factor_64)
{
    dst_frame_decoder decoder;
    decoder.create(2, 64);
    EXPECT_EQ(decoder.channel_count(), 2);
    EXPECT_EQ(decoder.bytes_per_channel(), 4704u);
    EXPECT_EQ(decoder.bits_per_channel(), 37632u);
    EXPECT_EQ(decoder.geometry().max_filters, 4);
    EXPECT_EQ(decoder.geometry().max_ptables, 4);
    EXPECT_EQ(decoder.geometry().max_adata_bits, 75264);
    EXPECT_EQ(decoder.geometry().frame_bytes(), 9408);
}

// 588 × F bits do not always fill whole bytes: the byte count is truncated.
TEST(dst_geometry, small_and_odd_rate_factors_truncate_to_whole_bytes)
{
    const dst_geometry one = dst_geometry::make(1, 1);
    EXPECT_EQ(one.bytes_per_channel, 73);
    EXPECT_EQ(one.bits_per_channel, 584);
    const dst_geometry three = dst_geometry::make(1, 3);
    EXPECT_EQ(three.bytes_per_channel, 220);
    EXPECT_EQ(three.bits_per_channel, 588 * 3 - 4);
    EXPECT_EQ(dst_geometry::make(6, 128).bytes_per_channel, 9408);
}

// Channel counts 1..127 and rate factors 1..512 are accepted, anything else refused by name.
TEST(dst_frame_decoder, create_refuses_unsupported_channel_counts_and_rate_factors)
{
    EXPECT_EQ(create_error(0, 64), "Unsupported channel count!");
    EXPECT_EQ(create_error(-1, 64), "Unsupported channel count!");
    EXPECT_EQ(create_error(128, 64), "Unsupported channel count!");
    EXPECT_EQ(create_error(2, 0), "Unsupported rate factor!");
    EXPECT_EQ(create_error(2, -64), "Unsupported rate factor!");
    EXPECT_EQ(create_error(2, 513), "Unsupported rate factor!");
    EXPECT_EQ(create_error(127, 1), "");
    EXPECT_EQ(create_error(1, 512), "");
}

// destroy() leaves an empty decoder that refuses frames until created again.
TEST(dst_frame_decoder, destroy_empties_and_create_restores)
{
    dst_frame_decoder decoder;
    decoder.create(2, 64);
    decoder.destroy();
    EXPECT_EQ(decoder.channel_count(), 0);
    EXPECT_EQ(decoder.bytes_per_channel(), 0u);
    const std::uint8_t frame[2] = {0, 0};
    std::uint8_t out[4] = {};
    EXPECT_THROW(decoder.decode_frame(2, frame, out), std::logic_error);

    decoder.create(1, 1);
    EXPECT_EQ(decoder.bytes_per_channel(), 73u);
    std::uint8_t dsd[73];
    EXPECT_EQ(decoder.decode_frame(2, frame, dsd), 0);
}

// Unsupported values are refused before anything is dropped: the previous geometry stays.
TEST(dst_frame_decoder, refused_create_keeps_the_previous_geometry)
{
    dst_frame_decoder decoder;
    decoder.create(2, 64);
    EXPECT_THROW(decoder.create(200, 64), std::runtime_error);
    EXPECT_EQ(decoder.channel_count(), 2);
    EXPECT_EQ(decoder.bytes_per_channel(), 4704u);
}
