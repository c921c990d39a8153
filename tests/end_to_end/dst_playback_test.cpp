// DST files through the real component: what qvxhost decodes equals the FIR
// over the DSD that dsttool decodes, for encoder-made files with every
// syntax feature, and a damaged frame plays as silence.
#include "dsd2pcm/dsd_converter.h"
#include "dsd_generator.h"
#include "dsdiff_writer.h"
#include "program_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {


void write_plain(const std::string& path, unsigned channels, double seconds)
{
    dsdgen::signal_description d;
    d.channels.resize(channels);
    for (unsigned c = 0; c < channels; ++c) {
        d.channels[c].tones.push_back({300.0 + 200.0 * c, -9.0});
        d.channels[c].band_noise = dsdgen::noise{-30.0, 7 + c};
    }
    const std::vector<std::uint8_t> dsd = dsdgen::generate_dsd(d, static_cast<std::uint64_t>(seconds * d.sample_rate / 8));
    dsdiff_writer::stream_format format;
    format.channel_ids = dsdiff_writer::standard_channel_ids(channels);
    dsdiff_writer::write_file(path, dsdiff_writer::plain_file(format, dsd));
}

std::vector<float> fir_over(const std::string& raw_dsd, unsigned channels, std::size_t first_byte_per_channel = 0)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(raw_dsd.data());
    const std::size_t frames = raw_dsd.size() / channels - first_byte_per_channel;
    std::vector<float> out(frames * channels);
    for (unsigned c = 0; c < channels; ++c) {
        dsd_converter converter;
        converter.convert_reference(bytes + first_byte_per_channel * channels + c, channels, out.data() + c, channels,
                                    static_cast<std::int32_t>(frames));
    }
    return out;
}

void expect_ok(const program_result& r, const std::string& what) { ASSERT_EQ(r.exit_code, 0) << what << ": " << r.err; }

} // namespace

class dst_playback : public ::testing::TestWithParam<std::pair<unsigned, std::string>> {};

TEST_P(dst_playback, pcm_equals_the_fir_over_the_decoded_dsd)
{
    const auto& [channels, options] = GetParam();
    const scratch_dir s("dst_e2e");
    write_plain(s / "plain.dff", channels, 0.2);
    expect_ok(run_program(built_program("dsttool") + " encode " + s / "plain.dff" + " -o " + s / "dst.dff " + options, s), "encode");
    expect_ok(run_program(built_program("dsttool") + " decode " + s / "dst.dff" + " -o " + s / "dst.dsd", s), "dsttool decode");
    const program_result decode =
        run_program(built_program("qvxhost") + " decode " + s / "dst.dff" + " -o " + s / "out.f32 --max-rate 1000000", s);
    expect_ok(decode, "qvxhost decode");
    EXPECT_NE(decode.out.find("samplerate=352800\n"), std::string::npos) << decode.out;
    const std::string dsd = slurp(s / "dst.dsd");
    EXPECT_EQ(read_f32(s / "out.f32"), fir_over(dsd, channels)) << options;

    // Seeking to 0.1 s: frame 7, 2352 bytes per channel into it.
    expect_ok(run_program(built_program("qvxhost") + " decode " + s / "dst.dff" + " -o " + s / "seek.f32 --max-rate 1000000 --seek 0.1",
                          s),
              "seek");
    EXPECT_EQ(read_f32(s / "seek.f32"), fir_over(dsd, channels, 7 * 4704 + 2352)) << options;
}

INSTANTIATE_TEST_SUITE_P(feature_mixes, dst_playback,
                         ::testing::Values(std::pair{1u, std::string("")}, std::pair{2u, std::string("--random-features 11")},
                                           std::pair{5u, std::string("--random-features 12")},
                                           std::pair{6u, std::string("--filter-segments 4 --ptable-own-seg --ptable-own-map "
                                                                     "--ptable-segments 8 --half-prob 1,0")}));

TEST(dst_playback_damage, a_frame_with_a_bad_code_end_plays_as_silence)
{
    const scratch_dir s("dst_e2e");
    write_plain(s / "plain.dff", 2, 0.1);
    expect_ok(run_program(built_program("dsttool") + " encode " + s / "plain.dff" + " -o " + s / "dst.dff --no-plain-fallback", s),
              "encode");
    // Rebuild the file with two bytes of ones after the second frame's code:
    // code that was never decoded, so that frame's code ends wrongly.
    const std::string image = slurp(s / "dst.dff");
    std::vector<dsdiff_writer::bytes> frames;
    std::size_t at = image.find("FRTE");
    ASSERT_NE(at, std::string::npos);
    for (at += 12 + 6; at + 12 <= image.size();) {
        std::uint64_t size = 0;
        for (std::size_t i = 4; i < 12; ++i) size = size << 8 | static_cast<std::uint8_t>(image[at + i]);
        if (image.compare(at, 4, "DSTF") == 0) frames.emplace_back(image.begin() + static_cast<std::ptrdiff_t>(at + 12),
                                                                   image.begin() + static_cast<std::ptrdiff_t>(at + 12 + size));
        at += 12 + size + (size & 1);
    }
    ASSERT_GE(frames.size(), 3u);
    frames[1].insert(frames[1].end(), {0xFF, 0xFF});
    dsdiff_writer::write_file(s / "damaged.dff", dsdiff_writer::dst_file(dsdiff_writer::stream_format{}, frames));

    const program_result tool = run_program(built_program("dsttool") + " decode " + s / "damaged.dff" + " -o " + s / "damaged.dsd", s);
    ASSERT_EQ(tool.exit_code, 0) << tool.err;
    EXPECT_NE(tool.err.find("frame 1: bad arithmetic code"), std::string::npos) << tool.err;
    const std::string dsd = slurp(s / "damaged.dsd");
    ASSERT_GE(dsd.size(), 2u * 2 * 4704);
    EXPECT_EQ(dsd.substr(2 * 4704, 2 * 4704), std::string(2 * 4704, '\x69'));

    expect_ok(run_program(built_program("qvxhost") + " decode " + s / "damaged.dff" + " -o " + s / "out.f32 --max-rate 1000000", s),
              "qvxhost decode");
    EXPECT_EQ(read_f32(s / "out.f32"), fir_over(dsd, 2)) << "the component delivers the same silence";
}
