// ffmpeg as a black-box reference: the PCM it decodes from our DST file equals
// the PCM it decodes from the plain original. Options stay inside what ffmpeg
// reads like our decoder: one filter segment shared by all channels,
// probability tables on the filter segmentation, no tables of length 1, no
// plain frames (ffmpeg does not output their content).
#include "dsdiff_writer.h"
#include "dst_encoder/frame_encoder.h"
#include "test_signals.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

namespace dw = dsdiff_writer;

constexpr const char* ffmpeg = "/usr/bin/ffmpeg";

dst_encoder::encoder_options ffmpeg_compatible(dst_encoder::encoder_options o)
{
    o.filter_segments = {1};
    o.filter_same_seg_all_channels = true;
    o.ptable_same_seg_as_filter = true;
    for (int& length : o.ptable_lengths) length = std::max(length, 2);
    o.force_plain = false;
    o.plain_fallback = false;
    return o;
}

TEST(dst_encoder_vs_ffmpeg, ffmpeg_decodes_our_frames_to_the_original_pcm)
{
    if (!std::filesystem::exists(ffmpeg)) GTEST_SKIP() << "no " << ffmpeg << " to compare with";
    const dst_test::scratch_dir dir("dst_ffmpeg");
    int frames_total = 0, frames_equal = 0;
    for (int channels : {1, 2, 5, 6}) {
        for (int rate : {64, 128}) {
            SCOPED_TRACE(std::to_string(channels) + " channels, rate " + std::to_string(rate));
            const int frame_count = 6;
            dst_encoder::frame_encoder encoder(channels, rate);
            const long bpc = encoder.geometry().bytes_per_channel;
            const auto frame_bytes = static_cast<std::size_t>(encoder.geometry().frame_bytes());
            const auto sound = dst_test::tone_dsd(channels, rate, frame_count * bpc, 440.0 + 100.0 * channels);

            std::vector<dw::bytes> frames;
            for (int k = 0; k < frame_count; ++k) {
                // Frame 0 with the default choices, the others with random feature mixes.
                const auto o = k == 0 ? dst_encoder::encoder_options{}
                                      : ffmpeg_compatible(dst_encoder::random_options(static_cast<std::uint64_t>(100 * channels + rate + k), channels));
                frames.push_back(encoder.encode(std::span(sound).subspan(static_cast<std::size_t>(k) * frame_bytes, frame_bytes), o));
                ASSERT_FALSE(encoder.last_frame().plain) << "frame " << k << ": " << dst_encoder::describe(o);
            }
            dw::stream_format format;
            format.sample_rate = 44100U * static_cast<std::uint32_t>(rate);
            format.channel_ids = dw::standard_channel_ids(static_cast<unsigned>(channels));
            dw::write_file(dir.path("plain.dff"), dw::plain_file(format, sound));
            dw::write_file(dir.path("dst.dff"), dw::dst_file(format, frames));

            for (const char* name : {"plain", "dst"}) {
                const auto r = dst_test::run(std::string(ffmpeg) + " -v error -y -i '" + dir.path(std::string(name) + ".dff")
                                                 + "' -f f32le '" + dir.path(std::string(name) + ".pcm") + "'", dir);
                ASSERT_EQ(r.exit_code, 0) << name << ": " << r.err;
            }
            const auto reference = dst_test::read_file(dir.path("plain.pcm"));
            const auto ours = dst_test::read_file(dir.path("dst.pcm"));
            // One float per DSD byte and channel.
            const std::size_t pcm_frame = frame_bytes * 4;
            ASSERT_EQ(reference.size(), frame_count * pcm_frame);
            ASSERT_EQ(ours.size(), reference.size());
            for (int k = 0; k < frame_count; ++k) {
                const auto begin = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(k) * pcm_frame);
                const bool same = std::equal(ours.begin() + begin, ours.begin() + begin + static_cast<std::ptrdiff_t>(pcm_frame),
                                             reference.begin() + begin);
                EXPECT_TRUE(same) << "frame " << k;
                frames_equal += same ? 1 : 0;
                ++frames_total;
            }
        }
    }
    std::cout << "ffmpeg: " << frames_equal << " of " << frames_total << " frames decode to the original PCM\n";
}

} // namespace
