// ffmpeg as a black box: it decodes a DSF file we wrote to the PCM it decodes from the
// DSDIFF file we wrote it from, and ffprobe finds the ID3v2 tag (rendered by TagLib, as
// our converter renders tags) that we put at the DSF file's end.
#include "dsdiff_file_images.h"

#include "dsdiff_file/dsf_writer.h"
#include "program_runner.h"

#include <taglib/id3v2tag.h>

#include <gtest/gtest.h>

#include <filesystem>

using namespace dsdiff_writer;
using namespace dsdiff_file_test;

namespace {

constexpr const char* ffmpeg = "/usr/bin/ffmpeg";
constexpr const char* ffprobe = "/usr/bin/ffprobe";

void write_dsf_file(const std::string& path, const bytes& dsdiff_image, std::span<const std::uint8_t> tag = {})
{
    const auto input = open_image(dsdiff_image);
    vector_sink sink;
    write_dsf(*input, input->whole(), tag, sink, never);
    write_file(path, sink.data);
}

std::vector<float> ffmpeg_pcm(const std::string& in, const scratch_dir& dir)
{
    const std::string out = in + ".f32";
    const program_result r = run_program(ffmpeg, {"-v", "error", "-y", "-i", in, "-f", "f32le", out}, dir.path(""));
    EXPECT_EQ(r.exit_code, 0) << in << ": " << r.err;
    return read_f32(out);
}

} // namespace

TEST(dsf_writer_vs_ffmpeg, ffmpeg_decodes_our_dsf_to_the_pcm_of_the_dsdiff_original)
{
    if (!std::filesystem::exists(ffmpeg)) GTEST_SKIP() << "no " << ffmpeg << " to compare with";
    const scratch_dir dir("dsf_ffmpeg");
    for (const unsigned channels : {2u, 6u}) {
        SCOPED_TRACE(std::to_string(channels) + " channels");
        // Three full blocks per channel and part of a fourth.
        const std::uint64_t per_channel = 3 * 4096 + 1500;
        stream_format format;
        format.channel_ids = standard_channel_ids(channels);
        const bytes image = plain_file(format, tones(channels, per_channel));
        write_file(dir / "in.dff", image);
        write_dsf_file(dir / "out.dsf", image);

        const std::vector<float> reference = ffmpeg_pcm(dir / "in.dff", dir);
        const std::vector<float> ours = ffmpeg_pcm(dir / "out.dsf", dir);
        // One float per DSD byte and channel.
        ASSERT_EQ(reference.size(), per_channel * channels);
        ASSERT_GE(ours.size(), reference.size());
        // ffmpeg starts its DSDIFF and DSF decoders from different filter states; they
        // agree once the first few dozen samples have passed.
        const std::size_t settled = 64 * channels;
        std::size_t differing = 0;
        for (std::size_t i = settled; i < reference.size(); ++i) differing += ours[i] != reference[i] ? 1 : 0;
        EXPECT_EQ(differing, 0u) << "of " << reference.size() - settled << " samples";
    }
}

TEST(dsf_writer_vs_ffmpeg, ffprobe_reads_the_tag_at_the_end_of_our_dsf)
{
    if (!std::filesystem::exists(ffprobe)) GTEST_SKIP() << "no " << ffprobe << " to ask";
    const scratch_dir dir("dsf_ffprobe");
    TagLib::ID3v2::Tag tag;
    tag.setTitle(TagLib::String("\xC3\x9C" "berschrift", TagLib::String::UTF8));
    tag.setArtist(TagLib::String("Ensemble", TagLib::String::UTF8));
    const TagLib::ByteVector rendered = tag.render();
    const bytes tag_bytes(rendered.data(), rendered.data() + rendered.size());
    write_dsf_file(dir / "tagged.dsf", plain_file({}, tones(2, 5000)), tag_bytes);

    const program_result r = run_program(ffprobe, {"-v", "error", "-show_entries", "format_tags=title,artist", "-of",
                                                   "default=noprint_wrappers=1", dir / "tagged.dsf"}, dir.path(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "TAG:title=\xC3\x9C" "berschrift\nTAG:artist=Ensemble\n");
}
