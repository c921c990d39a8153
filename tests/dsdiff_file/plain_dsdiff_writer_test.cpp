// Plain DSDIFF written from plain and DST files: the DST file and the plain file it was
// encoded from give the same bytes, the plain file itself, with every chunk around the
// audio kept byte for byte; a track holds its bytes and no markers. The MD5 of the audio
// agrees for both.
#include "dsdiff_file_images.h"

#include "dsdiff_file/dsd_md5.h"
#include "dsdiff_file/plain_dsdiff_writer.h"

#include <gtest/gtest.h>

using namespace dsdiff_writer;
using namespace dsdiff_file_test;

namespace {

const std::uint64_t frame = frame_bytes_per_channel();

// One stereo stream with chunks of every kind around its audio: optional properties, a
// comment, an unknown chunk of odd size, one too large to be loaded into memory, markers,
// an ID3 tag, and an unknown chunk after "FRM8".
struct master {
    bytes sound = tones(2, 3 * frame);
    bytes fs_chunk = fs(2822400), channels = chnl({"SLFT", "SRGT"}), abss = chunk("ABSS", bytes(8, 0)),
          lsco = chunk("LSCO", be16(0)), unknown_property = chunk("XPRP", bytes(5, 7));
    bytes comt = chunk("COMT", cat({be16(1), bytes(14, 0), be32(5), text("hello")}));
    bytes diin_start = chunk("EMID", text("master-12")), artist = counted_text_chunk("DIAR", "Ensemble"),
          marks = cat({mark({.type = 0, .text = "One"}), mark({.samples = 40000, .type = 0, .text = "Two"})});
    bytes manf = chunk("MANF", cat({text("ACME"), bytes(3, 1)})), odd = chunk("XODD", bytes(3, 9)),
          large = chunk("XBIG", bytes(140001, 0xAB)), id3 = chunk("ID3 ", cat({text("ID3"), bytes(20, 4)})),
          after_form = chunk("XEND", bytes(2, 5));

    bytes prop(const bytes& compression) const
    {
        return form("PROP", "SND ", {fs_chunk, channels, compression, abss, lsco, unknown_property});
    }
    bytes diin(bool with_marks) const { return container("DIIN", {diin_start, artist, with_marks ? marks : bytes{}}); }
    bytes plain(const bytes& sound_data, bool with_marks = true) const
    {
        return cat({form("FRM8", "DSD ", {fver(), prop(cmpr("DSD ", "not compressed")), comt, chunk("DSD ", sound_data), diin(with_marks), manf, odd, large, id3}),
                    after_form});
    }
    bytes dst() const
    {
        bytes frames = chunk("FRTE", cat({be32(3), be16(75)}));
        for (const bytes& f : dst_frames(sound, 2)) append(frames, cat({chunk("DSTF", f), chunk("DSTC", be32(0x12345678))}));
        const bytes index = chunk("DSTI", bytes(3 * 12, 0));
        return cat({form("FRM8", "DSD ", {fver(), prop(cmpr("DST ", "DST Encoded")), comt, chunk("DST ", frames), index, diin(true),
                                          manf, odd, large, id3}),
                    after_form});
    }
};

bytes written(const bytes& image, std::optional<dsd_byte_range> track = std::nullopt)
{
    vector_sink sink;
    write_plain_dsdiff(*open_image(image), track, sink, never);
    return sink.data;
}

} // namespace

TEST(plain_dsdiff_writer, dst_file_and_its_plain_original_give_the_plain_file_and_one_md5)
{
    const master m;
    const bytes plain = m.plain(m.sound);
    EXPECT_TRUE(written(plain) == plain) << "a plain input is copied byte for byte";
    EXPECT_TRUE(written(m.dst()) == plain) << "the DST file unpacks to its plain original";

    md5 direct;
    direct.update(m.sound);
    const std::string expected = md5::hex(direct.finish());
    EXPECT_EQ(md5::hex(dsd_md5(*open_image(plain), never)), expected);
    EXPECT_EQ(md5::hex(dsd_md5(*open_image(m.dst()), never)), expected);
}

TEST(plain_dsdiff_writer, a_track_holds_its_bytes_and_no_markers)
{
    const master m;
    // Across the first frame boundary; an odd number of bytes per channel.
    const dsd_byte_range track{frame - 1001, frame + 2000};
    const bytes slice(m.sound.begin() + static_cast<std::ptrdiff_t>(2 * track.first),
                      m.sound.begin() + static_cast<std::ptrdiff_t>(2 * track.end));
    const bytes expected = m.plain(slice, false);
    EXPECT_TRUE(written(m.plain(m.sound), track) == expected);
    EXPECT_TRUE(written(m.dst(), track) == expected);
}
