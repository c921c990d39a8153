// Decoded DSD over ranges of plain and DST files, and where a failing DST frame is named.
#include "dsdiff_file_images.h"

#include "dsdiff_file/dsd_source.h"
#include "util/exceptions.h"

#include <gtest/gtest.h>

using namespace dsdiff_writer;
using namespace dsdiff_file_test;

namespace {

// Everything a source delivers, asked for in pieces of `piece` bytes.
bytes drain(dsd_source& source, std::size_t piece)
{
    bytes all, buffer(piece);
    while (const std::size_t got = source.read(buffer, never)) {
        EXPECT_EQ(got % source.channel_count(), 0u);
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    }
    return all;
}

bytes slice(const bytes& sound, unsigned channels, dsd_byte_range range)
{
    return {sound.begin() + static_cast<std::ptrdiff_t>(range.first * channels),
            sound.begin() + static_cast<std::ptrdiff_t>(range.end * channels)};
}

stream_format format_of(unsigned channels)
{
    stream_format format;
    format.channel_ids = standard_channel_ids(channels);
    return format;
}

} // namespace

TEST(dsd_source, plain_and_dst_files_deliver_the_same_bytes_over_any_range)
{
    const std::uint64_t frame = frame_bytes_per_channel();
    for (const unsigned channels : {2u, 5u}) {
        const bytes sound = tones(channels, 3 * frame);
        const auto plain = open_image(plain_file(format_of(channels), sound));
        const auto dst = open_image(dst_file(format_of(channels), dst_frames(sound, channels)));
        ASSERT_EQ(dst->bytes_per_channel(), 3 * frame);
        const dsd_byte_range ranges[] = {{0, 3 * frame}, {100, frame + 7}, {frame, 2 * frame}, {5000, 5000}, {2 * frame - 1, 3 * frame}};
        for (const dsd_byte_range& range : ranges) {
            // Pieces that end inside frames and are no multiple of the channel count.
            for (const std::size_t piece : {std::size_t{7} * channels + 3, std::size_t{20000}}) {
                SCOPED_TRACE(std::to_string(channels) + " channels, bytes " + std::to_string(range.first) + ".." +
                             std::to_string(range.end) + ", pieces of " + std::to_string(piece));
                EXPECT_EQ(drain(*make_dsd_source(*plain, range), piece), slice(sound, channels, range));
                EXPECT_EQ(drain(*make_dsd_source(*dst, range), piece), slice(sound, channels, range));
            }
        }
    }
}

TEST(dsd_source, a_failing_dst_frame_names_its_frame_and_time)
{
    const std::uint64_t frame = frame_bytes_per_channel();
    const bytes sound = tones(2, 4 * frame);
    const std::vector<bytes> good = dst_frames(sound, 2);
    const auto failure = [&](std::size_t k, const bytes& damaged) {
        std::vector<bytes> frames = good;
        frames[k] = damaged;
        const auto file = open_image(dst_file(format_of(2), frames));
        const auto source = make_dsd_source(*file, file->whole());
        try {
            drain(*source, 10000);
        } catch (const exception_io_data& e) {
            return std::string(e.what());
        }
        return std::string("decoded");
    };
    // A plain frame whose stuffing bits are not all zero: the decoder throws.
    bytes bad_stuffing(1 + 2 * frame, 0x69);
    bad_stuffing[0] = 0x01;
    EXPECT_EQ(failure(2, bad_stuffing), "DST frame 2 (0.027 s into the audio): Illegal stuffing pattern in frame!");
    // Ones after the end of a coded frame's arithmetic code: the decoder reports status 1.
    bytes trailing_ones = good[3];
    trailing_ones.insert(trailing_ones.end(), 4, 0xFF);
    EXPECT_EQ(failure(3, trailing_ones), "DST frame 3 (0.040 s into the audio): its arithmetic code does not end as required");
}
