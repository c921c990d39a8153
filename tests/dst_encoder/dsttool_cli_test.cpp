// dsttool end to end: encode then decode files built here, and the decoder's
// diagnostics for broken frames.
#include "dsdiff_writer.h"
#include "dst_encoder/frame_encoder.h"
#include "test_signals.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

namespace {

namespace dw = dsdiff_writer;
using dst_test::run;

struct cli_case {
    int channels;
    int rate_factor;
    std::string options;
};

TEST(dsttool, encode_then_decode_returns_the_sound_data)
{
    const cli_case cases[] = {
        {2, 64, ""},
        {1, 64, "--random-features 5"},
        {6, 64, "--random-features 9"},
        {5, 128, "--filter-segments 4 --filter-seg-per-channel --ptable-own-seg --ptable-own-map --ptable-segments 8,3"
                 " --ptable-seg-per-channel --ptable-map-per-channel --filter-mapping by-segment --ptable-mapping scrambled"
                 " --order 128,1,17 --filter-coding 2,plain,0 --ptable-coding 1,2,0,plain --ptable-length 64,1,5"
                 " --half-prob 1,0 --layout-seed 3 --no-plain-fallback"},
        {2, 64, "--plain"},
    };
    const dst_test::scratch_dir dir("dsttool_cli");
    for (const cli_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, rate " + std::to_string(c.rate_factor) + ", options '" + c.options + "'");
        const int bytes_per_channel = 588 * c.rate_factor / 8;
        // Two and a half frames: the last one is completed with silence.
        const long sound_per_channel = 2 * bytes_per_channel + bytes_per_channel / 2;
        const auto sound = dst_test::tone_dsd(c.channels, c.rate_factor, sound_per_channel, 700.0);
        dw::stream_format format;
        format.sample_rate = 44100U * static_cast<std::uint32_t>(c.rate_factor);
        format.channel_ids = dw::standard_channel_ids(static_cast<unsigned>(c.channels));
        dw::write_file(dir.path("in.dff"), dw::plain_file(format, sound));

        const auto enc = run(dst_test::built_program("dsttool") + " encode '" + dir.path("in.dff") + "' -o '"
                                 + dir.path("out.dff") + "' " + c.options, dir);
        ASSERT_EQ(enc.exit_code, 0) << enc.err;
        EXPECT_NE(enc.out.find("frames 3,"), std::string::npos) << enc.out;
        const auto dec = run(dst_test::built_program("dsttool") + " decode '" + dir.path("out.dff") + "' -o '"
                                 + dir.path("out.dsd") + "'", dir);
        ASSERT_EQ(dec.exit_code, 0) << dec.err;
        EXPECT_EQ(dec.err, "");

        const auto decoded = dst_test::read_file(dir.path("out.dsd"));
        ASSERT_EQ(decoded.size(), static_cast<std::size_t>(3 * bytes_per_channel * c.channels));
        EXPECT_TRUE(std::equal(sound.begin(), sound.end(), decoded.begin()));
        EXPECT_TRUE(std::all_of(decoded.begin() + static_cast<std::ptrdiff_t>(sound.size()), decoded.end(),
                                [](std::uint8_t b) { return b == 0x69; }));
    }
}

TEST(dsttool, decode_reports_bad_arithmetic_code_and_writes_silence)
{
    const dst_test::scratch_dir dir("dsttool_badcode");
    dst_encoder::frame_encoder encoder(2, 64);
    const auto sound = dst_test::tone_dsd(2, 64, 2 * 4704, 500.0);
    const std::span<const std::uint8_t> first(sound.data(), 9408), second(sound.data() + 9408, 9408);
    const auto good = encoder.encode(first, {});
    auto bad = encoder.encode(second, {});
    // The code is cut after its last 1, so the decoder shifts in up to 13 zero
    // bits past the frame's end; 1s after 4 more zero bytes lie beyond that.
    bad.insert(bad.end(), {0, 0, 0, 0, 0xFF});
    dw::stream_format format;
    dw::write_file(dir.path("in.dff"), dw::dst_file(format, {good, bad, good}));

    const auto dec = run(dst_test::built_program("dsttool") + " decode '" + dir.path("in.dff") + "' -o '" + dir.path("out.dsd") + "'", dir);
    EXPECT_EQ(dec.exit_code, 0);
    EXPECT_EQ(dec.err, "frame 1: bad arithmetic code\n");
    const auto decoded = dst_test::read_file(dir.path("out.dsd"));
    ASSERT_EQ(decoded.size(), 3U * 9408);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), decoded.begin()));
    EXPECT_TRUE(std::all_of(decoded.begin() + 9408, decoded.begin() + 2 * 9408, [](std::uint8_t b) { return b == 0x69; }));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), decoded.begin() + 2 * 9408));
}

TEST(dsttool, decode_stops_at_a_malformed_frame_with_its_message)
{
    const dst_test::scratch_dir dir("dsttool_badframe");
    std::vector<std::uint8_t> plain(1 + 9408, 0x55);
    plain[0] = 0x00;
    std::vector<std::uint8_t> stuffed = plain;
    stuffed[0] = 0x01; // a stuffing bit set
    dw::write_file(dir.path("in.dff"), dw::dst_file(dw::stream_format{}, {plain, plain, stuffed, plain}));
    const auto dec = run(dst_test::built_program("dsttool") + " decode '" + dir.path("in.dff") + "' -o '" + dir.path("out.dsd") + "'", dir);
    EXPECT_EQ(dec.exit_code, 1);
    EXPECT_EQ(dec.err, "error: frame 2: Illegal stuffing pattern in frame!\n");
}

TEST(dsttool, other_errors_exit_1_with_a_message)
{
    const dst_test::scratch_dir dir("dsttool_errors");
    const std::string tool = dst_test::built_program("dsttool");
    dw::write_file(dir.path("plain.dff"), dw::plain_file(dw::stream_format{}, std::vector<std::uint8_t>(100, 0x69)));
    dw::write_file(dir.path("junk.dff"), dw::text("RIFF and more bytes"));

    const struct {
        std::string args;
        std::string message;
    } cases[] = {
        {"decode '" + dir.path("plain.dff") + "' -o '" + dir.path("x") + "'", "error: the input is not DST-compressed\n"},
        {"decode '" + dir.path("junk.dff") + "' -o '" + dir.path("x") + "'", "error: Not a DSDIFF file\n"},
        {"encode '" + dir.path("plain.dff") + "' -o '" + dir.path("x") + "' --order 129",
         "error: --order expects a number from 1 to 128, not '129'\n"},
        {"encode '" + dir.path("plain.dff") + "'", "error: no output file given (-o)\n"},
        {"frobnicate", "error: unknown command 'frobnicate' (try --help)\n"},
    };
    for (const auto& c : cases) {
        const auto r = run(tool + " " + c.args, dir);
        EXPECT_EQ(r.exit_code, 1) << c.args;
        EXPECT_EQ(r.err, c.message) << c.args;
    }
    const auto help = run(tool + " --help", dir);
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("--random-features SEED"), std::string::npos);
}

} // namespace
