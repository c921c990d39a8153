// A DSDIFF file read outside the component: its stream facts, DST frames by index,
// its "ID3 " tag, the texts of "DIIN" and its top-level chunks.
#include "dsdiff_file_images.h"

#include "util/exceptions.h"

#include <gtest/gtest.h>

using namespace dsdiff_writer;
using namespace dsdiff_file_test;
using iff_stream::make_id;

namespace {

bytes frm8(std::initializer_list<bytes> chunks) { return form("FRM8", "DSD ", chunks); }

bytes plain_prop(std::vector<std::string> ids, std::uint32_t rate = 2822400)
{
    return form("PROP", "SND ", {fs(rate), chnl(ids), cmpr("DSD ", "not compressed")});
}

bytes dst_prop(std::uint32_t rate = 2822400) { return form("PROP", "SND ", {fs(rate), chnl({"SLFT", "SRGT"}), cmpr("DST ", "DST Encoded")}); }

bytes frte(std::uint32_t frames) { return chunk("FRTE", cat({be32(frames), be16(75)})); }

const bytes sound = chunk("DSD ", bytes(20, 0x69));

std::string ids_of(const std::vector<iff_stream::chunk_id>& ids)
{
    std::string text;
    for (const auto& id : ids) text += std::string(id.begin(), id.end()) + "|";
    return text;
}

} // namespace

TEST(dsdiff_file, plain_stream_facts_count_whole_channel_groups)
{
    // Side channels may come in any order; 5 × 100 bytes and 3 left over.
    const auto file = open_image(frm8({fver(), plain_prop({"C   ", "MLFT", "MRGT", "LS  ", "RS  "}, 5644800),
                                       chunk("DSD ", bytes(503, 0x69))}));
    EXPECT_FALSE(file->is_dst());
    EXPECT_EQ(file->sample_rate(), 5644800u);
    EXPECT_EQ(file->channel_count(), 5u);
    EXPECT_EQ(file->channel_mask(), 0x634u);
    EXPECT_EQ(ids_of(file->channel_ids()), "C   |MLFT|MRGT|LS  |RS  |");
    EXPECT_EQ(file->bytes_per_channel(), 100u);
    EXPECT_EQ(file->sample_count(), 800u);
}

TEST(dsdiff_file, dst_frames_are_the_dstf_chunks_in_order_whatever_frte_says)
{
    const std::vector<bytes> frames{bytes(5, 1), bytes(7, 2), bytes(6, 3)};
    // "DSTC" CRCs between the frames are no frames; "FRTE" claims seven.
    const auto file = open_image(frm8({fver(), dst_prop(), container("DST ", {frte(7), chunk("DSTF", frames[0]), chunk("DSTC", be32(1)),
                                                                               chunk("DSTF", frames[1]), chunk("DSTC", be32(2)),
                                                                               chunk("DSTF", frames[2])})}));
    EXPECT_TRUE(file->is_dst());
    EXPECT_EQ(file->frame_count(), 7u);
    EXPECT_EQ(file->frame_rate(), 75u);
    ASSERT_EQ(file->dst_frames_present(), 3u);
    EXPECT_EQ(file->dst_frame_bytes_per_channel(), 4704u);
    EXPECT_EQ(file->sample_count(), 3u * 4704 * 8);
    bytes read;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        file->read_dst_frame(k, read, never);
        EXPECT_EQ(read, frames[k]) << "frame " << k;
    }
    // An odd rate factor: 588 × 3 / 8 bytes, rounded down.
    const auto odd = open_image(frm8({fver(), dst_prop(3 * 44100), container("DST ", {frte(1), chunk("DSTF", frames[0])})}));
    EXPECT_EQ(odd->sample_count(), 220u * 8);
}

TEST(dsdiff_file, refuses_what_the_component_refuses_with_its_messages)
{
    const auto message = [](const bytes& image) {
        try {
            open_image(image);
        } catch (const exception_io_data& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message(frm8({fver(), plain_prop({"SRGT", "SLFT"}), sound})), "Invalid channel order");
    EXPECT_EQ(message(frm8({plain_prop({"SLFT", "SRGT"}), sound})), "FVER chunk missing");
    std::vector<std::string> console;
    open_image(frm8({fver(), plain_prop({"XY  "}), sound}), &console);
    EXPECT_EQ(console, std::vector<std::string>{"Unknown channel ID: XY  "});
}

TEST(dsdiff_file, id3_tag_is_found_at_the_top_level_after_the_form_or_in_prop)
{
    const bytes tag = text("ID3\x04 tag bytes");
    const bytes stereo = plain_prop({"SLFT", "SRGT"});
    EXPECT_EQ(open_image(frm8({fver(), stereo, sound, chunk("ID3 ", tag)}))->read_id3_tag(never), tag);
    EXPECT_EQ(open_image(cat({frm8({fver(), stereo, sound}), chunk("ID3 ", tag)}))->read_id3_tag(never), tag);
    const bytes prop_with_tag = form("PROP", "SND ", {fs(2822400), chnl({"SLFT", "SRGT"}), cmpr("DSD ", "not compressed"), chunk("ID3 ", tag)});
    EXPECT_EQ(open_image(frm8({fver(), prop_with_tag, sound}))->read_id3_tag(never), tag);
    // A tag with pictures is larger than what the chunk tree loads into memory.
    bytes large(200000, 0x5A);
    EXPECT_EQ(open_image(frm8({fver(), stereo, sound, chunk("ID3 ", large)}))->read_id3_tag(never), large);
    EXPECT_FALSE(open_image(frm8({fver(), stereo, sound}))->read_id3_tag(never).has_value());
}

TEST(dsdiff_file, diin_texts_are_utf8_or_latin1_without_trailing_nuls)
{
    const auto file = open_image(frm8({fver(), plain_prop({"SLFT", "SRGT"}), sound,
                                       container("DIIN", {chunk("EMID", text(std::string("master-7\0\0", 10))),
                                                          counted_text_chunk("DIAR", "Bj\xC3\xB6rk"),      // UTF-8
                                                          counted_text_chunk("DITI", "Caf\xE9 Noir")})}));  // Latin-1
    EXPECT_EQ(file->info().emid, "master-7");
    EXPECT_EQ(file->info().artist, "Bj\xC3\xB6rk");
    EXPECT_EQ(file->info().title, "Caf\xC3\xA9 Noir");
    // A count beyond the chunk takes what the chunk holds.
    const auto cut = open_image(frm8({fver(), plain_prop({"SLFT", "SRGT"}), sound,
                                      container("DIIN", {chunk("DITI", cat({be32(50), text("Short")}))})}));
    EXPECT_EQ(cut->info().title, "Short");
    EXPECT_FALSE(cut->info().artist.has_value());
}

TEST(dsdiff_file, chunks_are_listed_in_file_order_marking_those_after_the_form)
{
    const auto file = open_image(cat({frm8({fver(), chunk("COMT", be16(0)), plain_prop({"SLFT", "SRGT"}), sound}),
                                      chunk("ID3 ", text("ID3")), chunk("XTRA", bytes(3, 1))}));
    std::string listed;
    for (const top_level_chunk& c : file->chunks())
        listed += std::string(c.node->id.begin(), c.node->id.end()) + (c.after_form ? "(after)" : "") + "|";
    EXPECT_EQ(listed, "FVER|COMT|PROP|DSD |ID3 (after)|XTRA(after)|");
}
