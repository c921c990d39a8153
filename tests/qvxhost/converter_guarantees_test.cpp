// What the converter guarantees, tried as a user meets each fault: through the program, with
// inputs it must never overwrite, runs that are interrupted or cannot write, damaged audio,
// folders that do not end, layouts that must survive, and a narrow terminal.
#include "converter_test_files.h"

#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/xiphcomment.h>

#include <cstdlib>
#include <fstream>

#include <sys/stat.h>

using namespace converter_test;

namespace {

// A shell command line of qvxhost with `arguments`, each quoted.
std::string qvxhost_command(const std::vector<std::string>& arguments)
{
    std::string command = shell_quote(qvxhost_path());
    for (const auto& argument : arguments) command += " " + shell_quote(argument);
    return command;
}

// A DST file of uncoded frames (1/75 s each, DSD64 stereo), the frames listed in `damaged` replaced
// by a coded frame whose segment tables the decoder refuses.
dw::bytes dst_with_damage(std::size_t frame_count, const std::vector<std::size_t>& damaged)
{
    std::vector<dw::bytes> frames;
    const auto dsd = sound_data(2 * 4704);
    for (std::size_t k = 0; k < frame_count; ++k) {
        dw::bytes frame{0x00};
        frame.insert(frame.end(), dsd.begin(), dsd.end());
        if (std::find(damaged.begin(), damaged.end(), k) != damaged.end()) {
            frame = {0x80};
            for (int i = 0; i < 200; ++i) frame.push_back(static_cast<std::uint8_t>(1 + i * 37));
        }
        frames.push_back(std::move(frame));
    }
    return dw::dst_file({}, frames);
}

// The fmt chunk's format tag and, for WAVE_FORMAT_EXTENSIBLE, its channel mask.
struct wav_format {
    std::string container;  // "RIFF" or "RF64"
    unsigned tag = 0;
    unsigned mask = 0;
};

wav_format read_wav_format(const std::string& path)
{
    const std::string bytes = slurp(path);
    wav_format format;
    format.container = bytes.substr(0, 4);
    const auto at = bytes.find("fmt ");
    if (at == std::string::npos || at + 8 + 24 > bytes.size()) return format;
    auto le = [&](std::size_t offset, int width) {
        unsigned value = 0;
        for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
        return value;
    };
    format.tag = le(at + 8, 2);
    if (format.tag == 0xFFFE) format.mask = le(at + 8 + 20, 4);
    return format;
}

} // namespace

// An output that is an input, by its own name, through a symlink or a hard link, is refused before
// anything is written, and the input stays byte for byte; in a batch the other files go on.
TEST(converter_guarantees, an_input_is_never_overwritten)
{
    temp_dir dir;
    const auto input = write_plain(dir, "x.dff", {}, 2 * 44100);
    const std::string original = slurp(input);
    std::filesystem::create_symlink(input, dir.file("symlink.flac"));
    std::filesystem::create_hard_link(input, dir.file("hardlink.flac"));
    for (const auto& output : {input, dir.file("symlink.flac"), dir.file("hardlink.flac")}) {
        for (const char* overwrite : {"--skip-existing", "--overwrite"}) {
            const auto r = run_qvxhost({"decode", input, "-o", output, "--format", "flac", overwrite}, dir.file(""));
            EXPECT_EQ(r.exit_code, 1) << output;
            EXPECT_EQ(r.err, "error: " + output + ": would overwrite the input " + input + "\n") << output;
            EXPECT_EQ(slurp(input), original) << output;
        }
    }

    // A batch into its own input folder, where one output is a hard link to another input.
    write_image(dir.file("in/a.dff"), dw::plain_file({}, sound_data(2 * 44100)));
    write_image(dir.file("in/b.dff"), dw::plain_file({}, sound_data(2 * 44100)));
    const std::string b = slurp(dir.file("in/b.dff"));
    std::filesystem::create_hard_link(dir.file("in/b.dff"), dir.file("in/a.flac"));
    const auto r = run_qvxhost({"decode", dir.file("in"), "-o", dir.file("in"), "--overwrite"}, dir.file(""));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(contains(r.err, "error: " + dir.file("in/a.flac") + ": would overwrite the input " + dir.file("in/b.dff") + "\n"))
        << r.err;
    EXPECT_TRUE(contains(r.err, "1 converted, 1 failed")) << r.err;
    EXPECT_EQ(slurp(dir.file("in/b.dff")), b);
    EXPECT_EQ(frames_of(dir.file("in/b.flac")), 11025);
}

// One file follows the batch's rules: an existing output is refused unless --overwrite, left alone
// with --skip-existing, and missing folders are made.
TEST(converter_guarantees, an_existing_output_survives_a_single_file_decode)
{
    temp_dir dir;
    const auto input = write_plain(dir, "x.dff", {}, 2 * 44100);
    write_image(dir.file("x.flac"), dw::text("keep me"));
    auto r = run_qvxhost({"decode", input, "-o", dir.file("x.flac")}, dir.file(""));
    expect_error(r, dir.file("x.flac") + " exists already (use --overwrite or --skip-existing)");
    EXPECT_EQ(slurp(dir.file("x.flac")), "keep me");

    r = run_qvxhost({"decode", input, "-o", dir.file("x.flac"), "--skip-existing"}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "skipped: " + input + ": " + dir.file("x.flac") + " exists already\n");
    EXPECT_EQ(slurp(dir.file("x.flac")), "keep me");

    r = run_qvxhost({"decode", input, "-o", dir.file("x.flac"), "--overwrite"}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(frames_of(dir.file("x.flac")), 11025);

    r = run_qvxhost({"decode", input, "-o", dir.file("new/folder/x.wav")}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(files_below(dir.file("new")), std::vector<std::string>{"folder/x.wav"});
}

// SIGTERM (and SIGINT) end a decode, of one file or a batch, through the abort signal: "User abort",
// status 130, no output, partial or final, and no further file started.
TEST(converter_guarantees, an_interrupted_decode_leaves_nothing)
{
    temp_dir dir;
    for (const char* name : {"long.dff", "in/1.dff", "in/2.dff"})
        write_image(dir.file(name), dw::plain_file({}, sound_data(2 * 352800 * 60)));
    // Interrupted once an output is being written (SIGTERM: a script's background job ignores SIGINT).
    const auto interrupted = [&](const std::string& arguments) {
        const std::string script = "cd " + shell_quote(dir.file("")) + " && { " + shell_quote(qvxhost_path()) + " " + arguments +
                                   " 2>err.txt & pid=$!; "
                                   "for i in $(seq 2000); do [ -n \"$(find out -name '*.partial' 2>/dev/null)\" ] && break; sleep 0.005; done; "
                                   "kill -TERM $pid; wait $pid; echo $? >status.txt; }";
        EXPECT_EQ(std::system(script.c_str()), 0);
        EXPECT_EQ(slurp(dir.file("status.txt")), "130\n") << arguments;
        EXPECT_EQ(files_below(dir.file("out")), std::vector<std::string>{}) << arguments;
        return slurp(dir.file("err.txt"));
    };
    EXPECT_EQ(interrupted("decode long.dff -o out/long.flac"), "error: User abort\n");
    const std::string err = interrupted("decode in -o out --jobs 1");
    EXPECT_TRUE(contains(err, "error: in/1.dff: User abort\n")) << err;
    EXPECT_TRUE(contains(err, "0 converted, 1 failed, 0 skipped, 1 not started")) << err;
}

// A write that fails (here the file size limit, with SIGXFSZ ignored so that the write returns the
// error) fails the file with the system's reason and leaves neither output nor temporary file.
TEST(converter_guarantees, a_write_error_fails_cleanly)
{
    temp_dir dir;
    // Noise, which FLAC cannot pack below the limit.
    std::vector<std::uint8_t> noise(2 * 352800);
    std::uint32_t state = 12345;
    for (auto& byte : noise) byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    const auto input = dir.file("x.dff");
    write_image(input, dw::plain_file({}, noise));
    for (const char* name : {"out/x.f32", "out/x.wav", "out/x.flac"}) {
        const std::string command = "ulimit -f 64; trap '' XFSZ; " + qvxhost_command({"decode", input, "-o", dir.file(name)});
        const auto r = run_program("bash -c " + shell_quote(command), dir.file(""));
        EXPECT_EQ(r.exit_code, 1) << name;
        EXPECT_EQ(r.out, "") << name;
        EXPECT_TRUE(contains(r.err, "File too large")) << name << ": " << r.err;
        EXPECT_EQ(files_below(dir.file("out")), std::vector<std::string>{}) << name;
    }
}

// A frame that fails is located in the message; with --conceal the file converts, the span is silence,
// each span is reported once, and the output keeps the length of an undamaged decode.
TEST(converter_guarantees, damage_is_located_and_can_be_concealed)
{
    temp_dir dir;
    write_image(dir.file("clean.dff"), dst_with_damage(225, {}));
    write_image(dir.file("damaged.dff"), dst_with_damage(225, {150, 200, 201}));
    const auto damaged = dir.file("damaged.dff");

    // At the PCM rate (no resampler) "so far" is exactly the frames before the damaged one.
    auto r = run_qvxhost({"decode", damaged, "-o", dir.file("out/x.flac"), "--max-rate", "1000000"}, dir.file(""));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(r.err.starts_with("error: " + damaged + ": at 0:02.000: ") && r.err.ends_with("!\n")) << r.err;
    EXPECT_EQ(files_below(dir.file("out")), std::vector<std::string>{});

    for (const char* rate : {"1000000", "88200"}) {
        r = run_qvxhost({"decode", dir.file("clean.dff"), "-o", dir.file("clean.f32"), "--max-rate", rate, "--overwrite"}, dir.file(""));
        ASSERT_EQ(r.exit_code, 0) << r.err;
        r = run_qvxhost({"decode", damaged, "-o", dir.file("concealed.f32"), "--max-rate", rate, "--conceal", "--overwrite"}, dir.file(""));
        ASSERT_EQ(r.exit_code, 0) << r.err;
        EXPECT_TRUE(contains(r.out, "concealed=2\n")) << r.out;
        EXPECT_TRUE(r.err.starts_with("warning: " + damaged + ": at 0:0")) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
        const auto clean = read_f32(dir.file("clean.f32")), concealed = read_f32(dir.file("concealed.f32"));
        ASSERT_EQ(concealed.size(), clean.size()) << rate;
        if (std::string(rate) == "1000000") {
            // Frame 150 is 4704 samples per channel from 2 s on: silence; before it, the clean decode.
            EXPECT_TRUE(r.err.starts_with("warning: " + damaged + ": at 0:02.000: ")) << r.err;
            EXPECT_TRUE(contains(r.err, "\nwarning: " + damaged + ": at 0:02.666: ")) << r.err;
            const std::size_t from = 2 * 150 * 4704, to = 2 * 151 * 4704;
            EXPECT_TRUE(std::equal(clean.begin(), clean.begin() + from, concealed.begin()));
            EXPECT_TRUE(std::all_of(concealed.begin() + from, concealed.begin() + to, [](float s) { return s == 0.0f; }));
        }
    }

    // A batch counts the concealed spans in its summary.
    r = run_qvxhost({"decode", damaged, dir.file("clean.dff"), "-o", dir.file("batch"), "--conceal"}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "2 converted, 0 failed, 0 skipped, 2 spans concealed;")) << r.err;
}

// Walks end: a symlink loop is not followed, a FIFO and an AppleDouble file are passed over, a symlinked
// file converts, a folder given twice is walked once, and a folder without audio is named.
TEST(converter_guarantees, folder_walks_end_and_take_each_real_file_once)
{
    temp_dir dir;
    write_image(dir.file("in/a.dff"), dw::plain_file({}, sound_data(2 * 44100)));
    write_image(dir.file("elsewhere/b.dff"), dw::plain_file({}, sound_data(2 * 44100)));
    std::filesystem::create_symlink(".", dir.file("in/self"));
    std::filesystem::create_symlink(dir.file("elsewhere/b.dff"), dir.file("in/b.dff"));
    ASSERT_EQ(::mkfifo(dir.file("in/pipe.dff").c_str(), 0600), 0);
    write_image(dir.file("in/._a.dff"), dw::text("Mac OS X resource fork"));
    write_image(dir.file("none/notes.txt"), dw::text("no audio here"));

    const auto r = run_program("timeout 60 " + qvxhost_command({"decode", dir.file("in"), dir.file("in"), dir.file("none"), "-o",
                                                                dir.file("out")}),
                               dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(files_below(dir.file("out")), (std::vector<std::string>{"a.flac", "b.flac"}));
    EXPECT_TRUE(contains(r.err, "skipped: " + dir.file("in/pipe.dff") + ": not a regular file\n")) << r.err;
    EXPECT_TRUE(contains(r.err, "warning: " + dir.file("none") + ": no .dff files\n")) << r.err;
    EXPECT_TRUE(contains(r.err, "2 converted, 0 failed")) << r.err;
    EXPECT_FALSE(contains(r.err, "._a.dff")) << r.err;

    const auto nothing = run_qvxhost({"decode", dir.file("none"), "-o", dir.file("out2")}, dir.file(""));
    EXPECT_EQ(nothing.exit_code, 1);
    EXPECT_TRUE(contains(nothing.err, "error: no .dff files found\n")) << nothing.err;
}

// Layouts travel: 5.1 WAV is WAVE_FORMAT_EXTENSIBLE with its mask, a FLAC whose layout is not FLAC's
// default for its channel count names its mask, and small files stay RIFF.
TEST(converter_guarantees, channel_layouts_travel_and_small_wavs_stay_riff)
{
    temp_dir dir;
    const auto six = write_plain(dir, "six.dff", {2822400, dw::standard_channel_ids(6)}, 6 * 8820);
    const auto four = write_plain(dir, "four.dff", {2822400, {"SLFT", "SRGT", "C   ", "LFE "}}, 4 * 8820);
    const auto two = write_plain(dir, "two.dff", {}, 2 * 8820);
    for (const auto& [input, output] : {std::pair{six, "six.wav"}, {four, "four.flac"}, {six, "six.flac"}, {two, "two.wav"}})
        ASSERT_EQ(run_qvxhost({"decode", input, "-o", dir.file(output)}, dir.file("")).exit_code, 0) << output;

    const wav_format six_wav = read_wav_format(dir.file("six.wav"));
    EXPECT_EQ(six_wav.container, "RIFF");
    EXPECT_EQ(six_wav.tag, 0xFFFEu);
    EXPECT_EQ(six_wav.mask, 0x3Fu);
    EXPECT_EQ(read_wav_format(dir.file("two.wav")).container, "RIFF");
    EXPECT_EQ(frames_of(dir.file("two.wav")), 2205);

    TagLib::FLAC::File four_flac(dir.file("four.flac").c_str());
    ASSERT_TRUE(four_flac.isValid() && four_flac.xiphComment() != nullptr);
    const auto mask = four_flac.xiphComment()->fieldListMap()["WAVEFORMATEXTENSIBLE_CHANNEL_MASK"];
    ASSERT_EQ(mask.size(), 1u);
    EXPECT_EQ(mask.front().to8Bit(true), "0x000F");
    TagLib::FLAC::File six_flac(dir.file("six.flac").c_str());
    ASSERT_TRUE(six_flac.isValid());
    EXPECT_TRUE(six_flac.xiphComment() == nullptr ||
                six_flac.xiphComment()->fieldListMap()["WAVEFORMATEXTENSIBLE_CHANNEL_MASK"].isEmpty());
}

// On a 40-column terminal every redraw of the progress line fits, and the line is cleared at the end.
TEST(converter_guarantees, the_progress_line_fits_a_narrow_terminal)
{
    temp_dir dir;
    // Long enough for the speed and the time left to join the line.
    for (const char* name : {"in/first.dff", "in/second.dff", "single.dff"})
        write_image(dir.file(name), dw::plain_file({}, sound_data(2 * 352800 * 40)));
    for (const auto& arguments : {std::vector<std::string>{"decode", dir.file("in"), "-o", dir.file("out"), "--jobs", "1"},
                                  std::vector<std::string>{"decode", dir.file("single.dff"), "-o", dir.file("single.flac")}}) {
        const std::string inner = "stty cols 40 rows 20; " + qvxhost_command(arguments);
        const auto r = run_program("script -qec " + shell_quote(inner) + " /dev/null", dir.file(""));
        ASSERT_EQ(r.exit_code, 0) << r.out;
        // Each drawing of the line starts with a carriage return and is ended by the next one;
        // lines ended by a line feed (CR LF from the terminal) are messages, which may wrap.
        std::size_t widest = 0, drawn = 0;
        for (std::size_t at = r.out.find('\r'); at != std::string::npos;) {
            const std::size_t next = r.out.find_first_of("\r\n", at + 1);
            if (next == std::string::npos) break;
            if (r.out[next] == '\r' && r.out.compare(next, 2, "\r\n") != 0) {
                widest = std::max(widest, next - at - 1);
                ++drawn;
            }
            at = r.out.find('\r', next);
        }
        EXPECT_LT(widest, 40u) << r.out;
        EXPECT_GT(drawn, 2u) << "the line was drawn: " << r.out;
    }
}

// Command-line details: a signed gain, --version, "--" before a name that starts with a dash, lengths
// in their shortest exact form, tag values kept on one line, and a clash of outputs counted once.
TEST(converter_guarantees, command_line_details)
{
    temp_dir dir;
    const auto input = write_plain(dir, "x.dff", {}, 2 * 44100);
    auto r = run_qvxhost({"decode", input, "-o", dir.file("loud.f32"), "--gain", "+6"}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;

    r = run_qvxhost({"--version"}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("qvxhost " QVX_TEST_PROJECT_VERSION "\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "DSDIFF Decoder " QVX_TEST_PROJECT_VERSION)) << r.out;

    std::filesystem::copy_file(input, dir.file("-dash.dff"));
    r = run_program("cd " + shell_quote(dir.file("")) + " && " + qvxhost_command({"decode", "-o", "dash.f32", "--", "-dash.dff"}),
                    dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;

    const auto odd = write_plain(dir, "odd.dff", {5644800, dw::standard_channel_ids(5)}, 5 * 1001);
    r = run_qvxhost({"info", odd}, dir.file(""));
    EXPECT_TRUE(r.out.ends_with("length=0.0014186507936507936\n")) << r.out;

    TagLib::ID3v2::Tag tag;
    tag.setTitle("two\nlines\r\\n");
    const TagLib::ByteVector id3 = tag.render();
    write_image(dir.file("tagged.dff"), dw::form("FRM8", "DSD ", {dw::fver(), dw::prop({}, "DSD "), dw::chunk("DSD ", sound_data(200)),
                                                                 dw::chunk("ID3 ", dw::bytes(id3.begin(), id3.end()))}));
    r = run_qvxhost({"info", "--tags", dir.file("tagged.dff")}, dir.file(""));
    EXPECT_TRUE(r.out.ends_with("tag.TITLE=two\\nlines\\r\\\\n\n")) << r.out;

    write_image(dir.file("a/same.dff"), dw::plain_file({}, sound_data(2 * 4410)));
    write_image(dir.file("b/same.dff"), dw::plain_file({}, sound_data(2 * 4410)));
    r = run_qvxhost({"decode", dir.file("a/same.dff"), dir.file("b/same.dff"), "-o", dir.file("clash")}, dir.file(""));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(contains(r.err, "2/2 files")) << r.err;
    EXPECT_TRUE(contains(r.err, "1 converted, 1 failed, 0 skipped")) << r.err;
}
