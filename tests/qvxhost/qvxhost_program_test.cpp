#include "converter_test_files.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace converter_test;

namespace {

std::string seconds_text(double seconds)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", seconds);
    return text;
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
                 "Cannot tell the output format of " + dir.file("out.mp3") + ": use --format f32|wav|flac|dsf|dff");
}

// A folder converts recursively (".dff" in any case, other files ignored) into the same layout; a broken
// file is reported with its path and the component's message, leaves nothing behind, and the others
// complete. Existing outputs are refused, or skipped with --skip-existing, and never changed.
TEST(qvxhost_batch, converts_a_folder_past_a_broken_file)
{
    temp_dir dir;
    write_image(dir.file("in/a.dff"), dw::plain_file({}, sound_data(2 * 352800)));
    write_image(dir.file("in/sub/B.DFF"), dw::plain_file({}, sound_data(352800)));
    write_image(dir.file("in/sub/broken.dff"), dw::text("RIFF....WAVEfmt "));
    write_image(dir.file("in/notes.txt"), dw::text("not audio"));
    const std::vector<std::string> command{"decode", dir.file("in"), "-o", dir.file("out"), "--jobs", "2"};

    auto r = run_qvxhost(command, dir.file(""));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, "error: " + dir.file("in/sub/broken.dff") + ": Not a DSDIFF file\n")) << r.err;
    EXPECT_TRUE(contains(r.err, "2 converted, 1 failed, 0 skipped")) << r.err;
    EXPECT_EQ(files_below(dir.file("out")), (std::vector<std::string>{"a.flac", "sub/B.flac"}));
    EXPECT_EQ(frames_of(dir.file("out/a.flac")), 88200);
    EXPECT_EQ(frames_of(dir.file("out/sub/B.flac")), 44100);

    const std::string before = slurp(dir.file("out/a.flac"));
    std::filesystem::remove(dir.file("in/sub/broken.dff"));
    r = run_qvxhost(command, dir.file(""));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(contains(r.err, "error: " + dir.file("in/a.dff") + ": " + dir.file("out/a.flac") +
                                    " exists already (use --overwrite or --skip-existing)\n"))
        << r.err;
    r = run_qvxhost({"decode", dir.file("in"), "-o", dir.file("out"), "--skip-existing"}, dir.file(""));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "0 converted, 0 failed, 2 skipped")) << r.err;
    EXPECT_EQ(slurp(dir.file("out/a.flac")), before);

    // An output folder that cannot be made fails each file, naming the folder.
    r = run_qvxhost({"decode", dir.file("in"), "-o", dir.file("in/a.dff/out")}, dir.file(""));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(contains(r.err, "error: " + dir.file("in/a.dff") + ": Cannot create the folder " + dir.file("in/a.dff/out")))
        << r.err;
}

// Files decoded side by side come out byte for byte as decoded one at a time, and as single-file runs:
// dithered 16-bit FLAC and the gain included. Files and folders mix; a file given by itself keeps its name.
TEST(qvxhost_batch, parallel_jobs_write_the_same_bytes_as_one_job)
{
    temp_dir dir;
    write_image(dir.file("one.dff"), dw::plain_file({}, loud_data(2 * 200000)));
    write_image(dir.file("set/x.dff"), dw::plain_file({}, sound_data(2 * 300000)));
    write_image(dir.file("set/deep/y.dff"), dw::plain_file(dw::stream_format{5644800, dw::standard_channel_ids(1)}, loud_data(250000)));
    write_image(dir.file("set/deep/z.dff"), dw::plain_file({}, loud_data(2 * 100000)));
    const std::vector<std::string> options{"--bits", "16", "--gain", "-2.5"};
    std::vector<std::string> listing;
    for (const char* jobs : {"1", "2"}) {
        std::vector<std::string> command{"decode", dir.file("one.dff"), dir.file("set"), "-o", dir.file(std::string("out") + jobs), "--jobs", jobs};
        command.insert(command.end(), options.begin(), options.end());
        const auto r = run_qvxhost(command, dir.file(""));
        ASSERT_EQ(r.exit_code, 0) << r.err;
        listing = files_below(dir.file(std::string("out") + jobs));
        EXPECT_EQ(listing, (std::vector<std::string>{"deep/y.flac", "deep/z.flac", "one.flac", "x.flac"}));
    }
    for (const auto& name : listing)
        EXPECT_EQ(slurp(dir.file("out1/" + name)), slurp(dir.file("out2/" + name))) << name;

    std::vector<std::string> single{"decode", dir.file("set/deep/y.dff"), "-o", dir.file("y.flac")};
    single.insert(single.end(), options.begin(), options.end());
    const auto r = run_qvxhost(single, dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(slurp(dir.file("y.flac")), slurp(dir.file("out2/deep/y.flac")));
}

// Integer output counts what it clips and names the gain that avoids it; that gain does.
TEST(qvxhost_program, clipping_is_counted_and_the_suggested_gain_avoids_it)
{
    temp_dir dir;
    const auto file = dir.file("loud.dff");
    dw::write_file(file, dw::plain_file({}, loud_data(2 * 100000)));
    auto r = run_qvxhost({"decode", file, "-o", dir.file("loud.flac")}, dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string prefix = "warning: " + file + ": ";
    ASSERT_TRUE(r.err.starts_with(prefix)) << r.err;
    const std::size_t clipped = std::stoul(r.err.substr(prefix.size()));
    EXPECT_GT(clipped, 100u);
    const auto gain_at = r.err.find("; --gain ");
    ASSERT_NE(gain_at, std::string::npos) << r.err;
    const std::string gain = r.err.substr(gain_at + 9, r.err.find(' ', gain_at + 9) - gain_at - 9);
    EXPECT_EQ(r.err, prefix + std::to_string(clipped) + " samples clipped; --gain " + gain + " avoids it\n");

    r = run_qvxhost({"decode", file, "-o", dir.file("quiet.flac"), "--gain", gain}, dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = run_qvxhost({"decode", file, "-o", dir.file("loud.f32")}, dir.file(""));
    EXPECT_EQ(r.err, "") << "raw float is never clipped";
}

namespace {

// An ID3v2 tag as TagLib writes it: the fields by their property names, a front cover and a back cover.
dw::bytes id3_tag(const dw::bytes& front, const dw::bytes& back)
{
    TagLib::ID3v2::Tag tag;
    TagLib::PropertyMap fields;
    fields.insert("TITLE", TagLib::String("Für Elise", TagLib::String::UTF8));
    fields.insert("ARTIST", TagLib::StringList("Ludwig"));
    fields.insert("ALBUM", TagLib::StringList("Bagatelles"));
    fields.insert("ALBUMARTIST", TagLib::StringList("Various"));
    fields.insert("TRACKNUMBER", TagLib::StringList("3/12"));
    fields.insert("DISCNUMBER", TagLib::StringList("1/2"));
    fields.insert("DATE", TagLib::StringList("1810"));
    fields.insert("GENRE", TagLib::StringList("Classical"));
    fields.insert("COMPOSER", TagLib::StringList("Beethoven"));
    fields.insert("ISRC", TagLib::StringList("DEA123456789"));
    fields.insert("COMMENT", TagLib::StringList("from the test"));
    tag.setProperties(fields);
    for (const auto& [type, data] : {std::pair{TagLib::ID3v2::AttachedPictureFrame::FrontCover, front},
                                     std::pair{TagLib::ID3v2::AttachedPictureFrame::BackCover, back}}) {
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setType(type);
        picture->setMimeType("image/png");
        picture->setPicture(TagLib::ByteVector(reinterpret_cast<const char*>(data.data()), static_cast<unsigned>(data.size())));
        tag.addFrame(picture);  // the tag owns it
    }
    const TagLib::ByteVector rendered = tag.render();
    return dw::bytes(rendered.begin(), rendered.end());
}

std::string field(const TagLib::Ogg::XiphComment& comment, const char* name)
{
    const auto& fields = comment.fieldListMap();
    const auto found = fields.find(name);
    return found == fields.end() || found->second.isEmpty() ? "(none)" : found->second.front().to8Bit(true);
}

} // namespace

// Tags and pictures of the "ID3 " chunk (inside "PROP" here) reach FLAC as Vorbis comments and picture
// blocks of the same types, and WAV as ID3v2 plus INFO; "DIIN" gives title and artist to a file whose ID3
// tag has none; info --tags prints them. A tag that cannot be read is reported and the audio converted.
TEST(qvxhost_program, tags_and_pictures_reach_flac_and_wav)
{
    temp_dir dir;
    const dw::bytes front = dw::text("\x89PNG front cover bytes"), back = dw::text("\x89PNG back");
    const dw::stream_format format;
    const auto sound = sound_data(2 * 44100);
    const auto with_id3 = dir.file("tagged.dff");
    dw::write_file(with_id3, dw::form("FRM8", "DSD ",
                                      {dw::fver(),
                                       dw::form("PROP", "SND ", {dw::fs(format.sample_rate), dw::chnl(format.channel_ids),
                                                                 dw::cmpr("DSD ", "not compressed"),
                                                                 dw::chunk("ID3 ", id3_tag(front, back))}),
                                       dw::chunk("DSD ", sound)}));

    auto r = run_qvxhost({"decode", with_id3, "-o", dir.file("tagged.flac")}, dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    {
        TagLib::FLAC::File flac(dir.file("tagged.flac").c_str());
        ASSERT_TRUE(flac.isValid());
        const TagLib::Ogg::XiphComment& comment = *flac.xiphComment();
        EXPECT_EQ(field(comment, "TITLE"), "Für Elise");
        for (const auto& [name, value] :
             {std::pair{"ARTIST", "Ludwig"}, {"ALBUM", "Bagatelles"}, {"ALBUMARTIST", "Various"}, {"TRACKNUMBER", "3"},
              {"TRACKTOTAL", "12"}, {"DISCNUMBER", "1"}, {"DISCTOTAL", "2"}, {"DATE", "1810"}, {"GENRE", "Classical"},
              {"COMPOSER", "Beethoven"}, {"ISRC", "DEA123456789"}, {"COMMENT", "from the test"}})
            EXPECT_EQ(field(comment, name), value) << name;
        const auto pictures = flac.pictureList();
        ASSERT_EQ(pictures.size(), 2u);
        EXPECT_EQ(pictures[0]->type(), TagLib::FLAC::Picture::FrontCover);
        EXPECT_EQ(pictures[0]->mimeType(), "image/png");
        const TagLib::ByteVector front_back = pictures[0]->data(), back_back = pictures[1]->data();
        EXPECT_EQ(dw::bytes(front_back.begin(), front_back.end()), front);
        EXPECT_EQ(pictures[1]->type(), TagLib::FLAC::Picture::BackCover);
        EXPECT_EQ(dw::bytes(back_back.begin(), back_back.end()), back);
    }
    EXPECT_EQ(frames_of(dir.file("tagged.flac")), 11025) << "the audio is intact";

    r = run_qvxhost({"decode", with_id3, "-o", dir.file("tagged.wav")}, dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    {
        TagLib::RIFF::WAV::File wav(dir.file("tagged.wav").c_str());
        ASSERT_TRUE(wav.isValid());
        ASSERT_TRUE(wav.hasID3v2Tag());
        EXPECT_EQ(wav.ID3v2Tag()->title().to8Bit(true), "Für Elise");
        EXPECT_EQ(wav.ID3v2Tag()->properties()["TRACKNUMBER"].front(), "3/12");
        ASSERT_EQ(wav.ID3v2Tag()->frameListMap()["APIC"].size(), 2u);
        EXPECT_EQ(wav.InfoTag()->artist(), "Ludwig");
    }
    EXPECT_EQ(frames_of(dir.file("tagged.wav")), 11025);

    r = run_qvxhost({"info", "--tags", with_id3}, dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("codec=DSD\noriginal_samplerate=2822400\nchannels=2\nlength=0.125\ntag.")) << r.out;
    for (const char* line : {"tag.TITLE=Für Elise\n", "tag.TRACKNUMBER=3\n", "tag.TRACKTOTAL=12\n",
                             "tag.PICTURE=type 3, image/png, 22 bytes\n", "tag.PICTURE=type 4, image/png, 9 bytes\n"})
        EXPECT_TRUE(contains(r.out, line)) << line << r.out;

    // "DIIN" title and artist beside a top-level ID3 tag that has neither.
    TagLib::ID3v2::Tag album_only;
    album_only.setAlbum("Only an album");
    const TagLib::ByteVector album_bytes = album_only.render();
    const auto with_diin = dir.file("diin.dff");
    dw::write_file(with_diin, dw::form("FRM8", "DSD ",
                                       {dw::fver(), dw::prop(format, "DSD "), dw::chunk("DSD ", sound),
                                        dw::container("DIIN", {dw::chunk("DITI", dw::cat({dw::be32(5), dw::text("Title")})),
                                                               dw::chunk("DIAR", dw::cat({dw::be32(3), dw::text("Who")}))}),
                                        dw::chunk("ID3 ", dw::bytes(album_bytes.begin(), album_bytes.end()))}));
    r = run_qvxhost({"info", with_diin, "--tags"}, dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(r.out.ends_with("length=0.125\ntag.ALBUM=Only an album\ntag.TITLE=Title\ntag.ARTIST=Who\n")) << r.out;

    // A chunk that holds no ID3 tag: the audio converts, and the user hears why there are no tags.
    const auto broken = dir.file("broken_tag.dff");
    dw::write_file(broken, dw::form("FRM8", "DSD ", {dw::fver(), dw::prop(format, "DSD "), dw::chunk("DSD ", sound),
                                                     dw::chunk("ID3 ", dw::text("ID2 garbage here"))}));
    r = run_qvxhost({"decode", broken, "-o", dir.file("broken_tag.flac")}, dir.file(""));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "warning: " + broken + ": tags not read: The \"ID3 \" chunk holds no ID3v2 tag\n");
    EXPECT_EQ(frames_of(dir.file("broken_tag.flac")), 11025);
}
