#include "dsdiff_writer.h"
#include "qvxhost_runner.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <filesystem>

namespace dw = dsdiff_writer;

namespace {

// Plain DSD whose bytes alternate between two idle-like patterns.
std::vector<std::uint8_t> sound_data(std::size_t bytes)
{
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i) data[i] = (i / 2) % 2 ? 0x69 : 0x96;
    return data;
}

std::string write_plain(const temp_dir& dir, const std::string& name, const dw::stream_format& format,
                        std::size_t sound_bytes)
{
    const std::string path = dir.file(name);
    dw::write_file(path, dw::plain_file(format, sound_data(sound_bytes)));
    return path;
}

std::string seconds_text(double seconds)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", seconds);
    return text;
}

void expect_error(const program_result& r, const std::string& message)
{
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "") << "nothing on stdout after an error";
    EXPECT_EQ(r.err, "error: " + message + "\n");
}

} // namespace

// info prints the component's fields in the order it set them, then the length with full precision.
TEST(qvxhost_program, info_prints_fields_in_order_then_length)
{
    temp_dir dir;
    const auto stereo = write_plain(dir, "stereo.dff", {}, 2 * 352800);
    auto r = run_qvxhost({"info", stereo}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "codec=DSD\noriginal_samplerate=2822400\nchannels=2\nlength=1\n");
    EXPECT_EQ(r.err, "");

    const dw::stream_format five{5644800, dw::standard_channel_ids(5)};
    const auto odd = write_plain(dir, "FIVE.DFF", five, 5 * 1001);
    r = run_qvxhost({"info", odd}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "codec=DSD\noriginal_samplerate=5644800\nchannels=5\nlength=" +
                         seconds_text(1001.0 * 8 / 5644800) + "\n");

    const auto dst = dir.file("dst.dff");
    dw::write_file(dst, dw::dst_file({}, std::vector<dw::bytes>(150, dw::bytes{0x00, 0x01})));
    r = run_qvxhost({"info", dst}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "codec=DSD\noriginal_samplerate=2822400\nchannels=2\nlength=2\n");
}

// A malformed file, a missing file and a file the component does not take fail with one error line.
TEST(qvxhost_program, errors_print_one_line_and_nothing_on_stdout)
{
    temp_dir dir;
    const auto bad = dir.file("bad.dff");
    dw::write_file(bad, dw::text("RIFF....WAVEfmt "));
    expect_error(run_qvxhost({"info", bad}, dir.file("")), "Not a DSDIFF file");
    expect_error(run_qvxhost({"decode", bad, "-o", dir.file("o.f32")}, dir.file("")), "Not a DSDIFF file");

    const auto missing = dir.file("missing.dff");
    const auto r = run_qvxhost({"info", missing}, dir.file(""));
    expect_error(r, "Cannot open " + missing + ": No such file or directory");

    const auto wav = write_plain(dir, "stereo.wav", {}, 1000);
    expect_error(run_qvxhost({"info", wav}, dir.file("")), "The component does not handle " + wav);

    expect_error(run_qvxhost({"frobnicate", wav}, dir.file("")), "Unknown command frobnicate (see qvxhost --help)");
}

// --component loads the given build; a path that is no library is an error naming it.
TEST(qvxhost_program, component_option_selects_the_library)
{
    temp_dir dir;
    const auto file = write_plain(dir, "a.dff", {}, 2000);
    auto r = run_qvxhost({"--component", component_path(), "info", file}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;

    const auto nowhere = dir.file("nowhere.so");
    r = run_qvxhost({"info", file, "--component", nowhere}, dir.file(""));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.starts_with("error: Cannot load component: " + nowhere)) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;

    // A library without the export (libsndfile is at hand in any build of ours).
    dw::write_file(dir.file("not_a_library.so"), dw::text("plain text"));
    r = run_qvxhost({"info", file, "--component", dir.file("not_a_library.so")}, dir.file(""));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(r.err.starts_with("error: Cannot load component: ")) << r.err;
}

// --help explains every command and option and succeeds.
TEST(qvxhost_program, help_lists_commands_and_options)
{
    temp_dir dir;
    const auto r = run_qvxhost({"--help"}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0);
    for (const char* word : {"info FILE", "decode FILE", "-o", "--max-rate", "--seek", "--format", "--component"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    EXPECT_EQ(r.err, "");
}

// decode reports the resampled rate by default and the converter's rate under a higher cap; the
// raw output holds exactly the frames it reports.
TEST(qvxhost_program, decode_reports_rate_channels_and_frames)
{
    temp_dir dir;
    const auto file = write_plain(dir, "two_seconds.dff", {}, 2 * 2 * 352800);

    auto r = run_qvxhost({"decode", file, "-o", dir.file("out.f32")}, dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "samplerate=88200\nchannels=2\nsamples=176400\n");
    EXPECT_EQ(r.err, "") << "no progress bar when stderr is no terminal";
    EXPECT_EQ(std::filesystem::file_size(dir.file("out.f32")), 176400u * 2 * 4);

    r = run_qvxhost({"decode", file, "-o", "/dev/null", "--format", "f32", "--max-rate", "400000", "--seek", "0.5"},
                    dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "samplerate=352800\nchannels=2\nsamples=529200\n");
}

// WAV and FLAC outputs carry the reported rate, channel count and frame count.
TEST(qvxhost_program, decode_writes_wav_and_flac)
{
    temp_dir dir;
    const auto file = write_plain(dir, "one_second.dff", {}, 2 * 352800);
    for (const char* name : {"out.wav", "out.flac", "out.bin"}) {
        std::vector<std::string> arguments{"decode", file, "-o", dir.file(name), "--max-rate", "176400"};
        if (std::string(name) == "out.bin") arguments.insert(arguments.end(), {"--format", "flac"});
        const auto r = run_qvxhost(arguments, dir.file(""));
        ASSERT_EQ(r.exit_code, 0) << name << ": " << r.err;
        EXPECT_EQ(r.out, "samplerate=176400\nchannels=2\nsamples=176400\n") << name;
        SF_INFO info{};
        SNDFILE* f = sf_open(dir.file(name).c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr) << name;
        sf_close(f);
        EXPECT_EQ(info.samplerate, 176400) << name;
        EXPECT_EQ(info.channels, 2) << name;
        EXPECT_EQ(info.frames, 176400) << name;
    }
    expect_error(run_qvxhost({"decode", file, "-o", dir.file("out.mp3")}, dir.file("")),
                 "Cannot tell the output format of " + dir.file("out.mp3") + ": use --format f32|wav|flac");
}
