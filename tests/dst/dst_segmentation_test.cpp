#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "dst/dst_frame_decoder.h"
#include "dst/dst_segmentation.h"
#include "dst_bit_writer.h"
#include "dst_decode_result.h"
#include "dst_frame_writer.h"

namespace {

constexpr int channels = 2;
constexpr std::int32_t bytes_per_channel = 4704;  // rate factor 64

dst_frame_decoder stereo_decoder()
{
    dst_frame_decoder decoder;
    decoder.create(channels, 64);
    return decoder;
}

// Header bits up to a faulty section, then enough zeros that the fault is not mistaken for
// the end of the frame.
std::vector<std::uint8_t> padded(dst_bit_writer& w)
{
    w.zeros(512);
    return w.bytes();
}

// Coded flag, "probability-table segmentation as the filters'", and the filter segmentation.
std::vector<std::uint8_t> filter_segmentation_frame(const dst_segmentation_desc& seg)
{
    dst_bit_writer w;
    w.bit(1).bit(1);
    write_segmentation(w, seg, channels, bytes_per_channel, 1024);
    return padded(w);
}

// A whole frame of valid tables over the given filter segmentation and mapping; the
// probability tables share both. filters = number of tables the mapping defines.
dst_coded_frame_desc frame_over(const dst_segmentation_desc& seg, const dst_mapping_desc& map, int tables)
{
    dst_coded_frame_desc frame;
    frame.channel_count = channels;
    frame.bytes_per_channel = bytes_per_channel;
    frame.filter_seg = seg;
    frame.filter_map = map;
    frame.half_prob = {0, 0};
    for (int t = 0; t < tables; ++t) {
        frame.filters.push_back({{t + 1, -t}, -1, 0});
        frame.ptables.push_back({{64, 32}, -1, 0});
    }
    frame.adata = {0};
    return frame;
}

std::string error_of(const std::vector<std::uint8_t>& frame)
{
    dst_frame_decoder decoder = stereo_decoder();
    return decode_error(decoder, frame);
}

std::string error_of(const dst_coded_frame_desc& frame) { return error_of(coded_frame_bytes(frame)); }

}  // namespace

// A first end-of-channel bit of 1 gives one segment over the whole frame, at resolution 1.
TEST(dst_segmentation, no_coded_length_gives_one_segment_per_channel)
{
    dst_frame_decoder decoder = stereo_decoder();
    const auto result = decode_with(decoder, coded_frame_bytes(frame_over({true, 7, {{}}}, {true, {{0}}}, 1)));
    ASSERT_EQ(result.error, "");
    const dst_frame_header& h = decoder.header();
    EXPECT_EQ(h.filter_seg.resolution, 1);
    EXPECT_EQ(h.filter_seg.segment_count[0], 1);
    EXPECT_EQ(h.filter_seg.segment_count[1], 1);
    EXPECT_EQ(h.filter_count, 1);
    EXPECT_EQ(h.ptable_count, 1);
}

// Four filter segments per channel are accepted; a fifth is refused, shared or per channel.
TEST(dst_segmentation, at_most_four_filter_segments_per_channel)
{
    const std::string message = "Too many segments for this channel!";
    EXPECT_EQ(error_of(frame_over({true, 1, {{128, 128, 128}}}, {true, {{0, 0, 0, 0}}}, 1)), "");
    EXPECT_EQ(error_of(filter_segmentation_frame({true, 1, {{128, 128, 128, 128}}})), message);
    EXPECT_EQ(error_of(filter_segmentation_frame({false, 1, {{128, 128, 128}, {128, 128, 128, 128}}})), message);
}

// At most 8 probability-table segments per channel.
TEST(dst_segmentation, at_most_eight_probability_table_segments_per_channel)
{
    auto frame_with = [](std::vector<std::int64_t> lengths) {
        dst_bit_writer w;
        w.bit(1).bit(0);
        write_segmentation(w, {true, 1, {{}}}, channels, bytes_per_channel, 1024);
        write_segmentation(w, {true, 1, {lengths}}, channels, bytes_per_channel, 32);
        return padded(w);
    };
    EXPECT_EQ(error_of(frame_with(std::vector<std::int64_t>(7, 4))), "");  // the zeros after it form valid tables
    EXPECT_EQ(error_of(frame_with(std::vector<std::int64_t>(8, 4))), "Too many segments for this channel!");
}

// The resolution must lie in 1..max_size (4576 bytes for filters at 4704 bytes per channel).
TEST(dst_segmentation, resolution_must_be_positive_and_at_most_max_size)
{
    EXPECT_EQ(error_of(filter_segmentation_frame({true, 0, {{128}}})), "Invalid segment resolution!");
    EXPECT_EQ(error_of(filter_segmentation_frame({true, 4577, {{1}}})), "Invalid segment resolution!");
    EXPECT_EQ(error_of(frame_over({true, 4576, {{1}}}, {true, {{0, 0}}}, 1)), "");
}

// A filter segment is at least 1024 bits and leaves at least 1024 bits after it.
TEST(dst_segmentation, segment_lengths_respect_the_minimum_on_both_sides)
{
    EXPECT_EQ(error_of(filter_segmentation_frame({true, 1, {{127}}})), "Invalid segment length!");
    EXPECT_EQ(error_of(frame_over({true, 1, {{128}}}, {true, {{0, 0}}}, 1)), "");
    EXPECT_EQ(error_of(frame_over({true, 1, {{4576}}}, {true, {{0, 0}}}, 1)), "");
    EXPECT_EQ(error_of(filter_segmentation_frame({true, 1, {{4577}}})), "Invalid segment length!");
    // The second segment must leave room too: 4576 − 128 bytes remain after a first of 128.
    EXPECT_EQ(error_of(filter_segmentation_frame({true, 1, {{128, 4449}}})), "Invalid segment length!");
    EXPECT_EQ(error_of(frame_over({true, 1, {{128, 4448}}}, {true, {{0, 0, 0}}}, 1)), "");

    // Probability-table segments: at least 32 bits.
    dst_bit_writer w;
    w.bit(1).bit(0);
    write_segmentation(w, {true, 1, {{}}}, channels, bytes_per_channel, 1024);
    write_segmentation(w, {true, 1, {{3}}}, channels, bytes_per_channel, 32);
    EXPECT_EQ(error_of(padded(w)), "Invalid segment length!");
}

// Table numbers come in order of first use; one above the count so far is refused.
TEST(dst_segmentation, table_numbers_may_only_open_the_next_table)
{
    const dst_segmentation_desc three_segments{true, 1, {{128, 128}}};
    // After tables 0 and 1 the number takes 2 bits: 2 opens a third table, 3 is refused.
    EXPECT_EQ(error_of(frame_over(three_segments, {true, {{0, 1, 2}}}, 3)), "");
    EXPECT_EQ(error_of(frame_over(three_segments, {true, {{0, 1, 0}}}, 2)), "");
    EXPECT_EQ(error_of(frame_over(three_segments, {true, {{0, 1, 3}}}, 4)), "Invalid table number for segment!");
}

// A mapping shared by all channels needs the same segment count in every channel.
TEST(dst_segmentation, shared_mapping_needs_equal_segment_counts)
{
    dst_coded_frame_desc frame = frame_over({false, 1, {{128}, {}}}, {true, {{0, 1}}}, 2);
    EXPECT_EQ(error_of(frame), "Mapping can't be the same for all channels!");
    frame.filter_map = {false, {{0, 1}, {1}}};
    EXPECT_EQ(error_of(frame), "");
}

// Two channels allow 4 filters; a mapping that opens a fifth is refused.
TEST(dst_segmentation, at_most_two_tables_per_channel)
{
    const dst_segmentation_desc seg{false, 1, {{128, 128}, {128}}};
    EXPECT_EQ(error_of(frame_over(seg, {false, {{0, 1, 2}, {3, 0}}}, 4)), "");
    EXPECT_EQ(error_of(frame_over(seg, {false, {{0, 1, 2}, {3, 4}}}, 5)), "Too many tables for this frame!");
}

// Probability tables can take the filters' mapping only over the same segment counts.
TEST(dst_segmentation, copied_mapping_needs_equal_segment_counts)
{
    dst_coded_frame_desc frame = frame_over({true, 1, {{128}}}, {true, {{0, 1}}}, 2);
    frame.ptable_same_seg_as_filter = false;
    frame.ptable_seg = {true, 1, {{}}};
    EXPECT_EQ(error_of(frame), "Not same number of segments for filters and Ptables!");
    frame.ptable_seg = {true, 3, {{100}}};
    EXPECT_EQ(error_of(frame), "");
}

// Copying a segmentation into one with fewer allowed segments is refused.
TEST(dst_segmentation, copy_checks_the_probability_table_limits)
{
    dst_segmentation nine;
    nine.create(1, 9);
    nine.segment_count[0] = 9;
    for (std::size_t s = 0; s < 8; ++s)
        nine.segment_length(0, s) = 4;
    dst_segmentation ptables;
    ptables.create(1, 8);
    try {
        copy_segmentation(nine, ptables, 1);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Too many segments!");
    }

    nine.segment_count[0] = 2;
    nine.segment_length(0, 0) = 3;  // 24 bits: shorter than a probability-table segment
    try {
        copy_segmentation(nine, ptables, 1);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid segment length!");
    }
}

// Segments expand to the table number of every byte, lengths in units of the resolution.
TEST(dst_segmentation, expansion_gives_every_byte_its_table)
{
    dst_coded_frame_desc frame = frame_over({true, 2, {{64}}}, {true, {{0, 1}}}, 2);
    frame.ptable_same_seg_as_filter = false;
    frame.ptable_seg = {false, 3, {{2, 5}, {}}};
    frame.ptable_same_map_as_filter = false;
    frame.ptable_map = {false, {{0, 1, 0}, {1}}};
    dst_frame_decoder decoder = stereo_decoder();
    ASSERT_EQ(decode_with(decoder, coded_frame_bytes(frame)).error, "");

    const dst_frame_header& h = decoder.header();
    for (std::size_t ch = 0; ch < 2; ++ch) {
        for (std::size_t k = 0; k < bytes_per_channel; ++k)
            ASSERT_EQ(h.filter_of_byte(ch, k), k < 128 ? 0 : 1) << "channel " << ch << ", byte " << k;
    }
    for (std::size_t k = 0; k < bytes_per_channel; ++k) {
        const int expected = k < 6 ? 0 : k < 21 ? 1 : 0;
        ASSERT_EQ(h.ptable_of_byte(0, k), expected) << "channel 0, byte " << k;
        ASSERT_EQ(h.ptable_of_byte(1, k), 1) << "channel 1, byte " << k;
    }
}
