// DSF files read back field by field and block by block: the same DSD in DSF's bit and
// block order, padding of DSD silence, channels in DSF's order, an ID3v2 tag at the end.
#include "dsdiff_file_images.h"

#include "dsdiff_file/dsf_writer.h"
#include "util/exceptions.h"

#include <gtest/gtest.h>

#include <random>

using namespace dsdiff_writer;
using namespace dsdiff_file_test;

namespace {

std::uint64_t le(const bytes& b, std::size_t at, int width)
{
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
    return v;
}

std::uint8_t reversed(std::uint8_t v)
{
    std::uint8_t r = 0;
    for (int bit = 0; bit < 8; ++bit) r = static_cast<std::uint8_t>(r | ((v >> bit) & 1) << (7 - bit));
    return r;
}

struct dsf_contents {
    std::uint64_t file_size = 0, metadata_offset = 0, sample_count = 0, data_size = 0;
    std::uint32_t channel_type = 0, channels = 0, sample_rate = 0;
    bytes dsd;      // in DSDIFF's layout, channels in DSF's order
    bytes padding;  // the bytes of the last blocks beyond the samples
};

// Reads a DSF image back, checking the fields that never vary.
dsf_contents read_dsf(const bytes& dsf)
{
    dsf_contents c;
    EXPECT_EQ(std::string(dsf.begin(), dsf.begin() + 4), "DSD ");
    EXPECT_EQ(le(dsf, 4, 8), 28u);
    c.file_size = le(dsf, 12, 8);
    c.metadata_offset = le(dsf, 20, 8);
    EXPECT_EQ(std::string(dsf.begin() + 28, dsf.begin() + 32), "fmt ");
    EXPECT_EQ(le(dsf, 32, 8), 52u);
    EXPECT_EQ(le(dsf, 40, 4), 1u); // format version
    EXPECT_EQ(le(dsf, 44, 4), 0u); // raw DSD
    c.channel_type = static_cast<std::uint32_t>(le(dsf, 48, 4));
    c.channels = static_cast<std::uint32_t>(le(dsf, 52, 4));
    c.sample_rate = static_cast<std::uint32_t>(le(dsf, 56, 4));
    EXPECT_EQ(le(dsf, 60, 4), 1u); // bits per sample
    c.sample_count = le(dsf, 64, 8);
    EXPECT_EQ(le(dsf, 72, 4), 4096u);
    EXPECT_EQ(le(dsf, 76, 4), 0u);
    EXPECT_EQ(std::string(dsf.begin() + 80, dsf.begin() + 84), "data");
    c.data_size = le(dsf, 84, 8);

    const std::uint64_t per_channel = c.sample_count / 8;
    const std::uint64_t blocks = (c.data_size - 12) / (4096 * std::uint64_t{c.channels});
    c.dsd.resize(per_channel * c.channels);
    for (std::uint64_t b = 0; b < blocks; ++b)
        for (std::uint32_t s = 0; s < c.channels; ++s)
            for (std::uint64_t k = 0; k < 4096; ++k) {
                const std::uint8_t byte = dsf[92 + (b * c.channels + s) * 4096 + k];
                if (b * 4096 + k < per_channel)
                    c.dsd[(b * 4096 + k) * c.channels + s] = reversed(byte);
                else
                    c.padding.push_back(byte);
            }
    return c;
}

bytes noise(std::size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    bytes out(size);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

bytes plain_image(const std::vector<std::string>& ids, const bytes& sound)
{
    return form("FRM8", "DSD ", {fver(), form("PROP", "SND ", {fs(2822400), chnl(ids), cmpr("DSD ", "not compressed")}), chunk("DSD ", sound)});
}

bytes dsf_of(const dsdiff_file& file, std::span<const std::uint8_t> tag = {})
{
    vector_sink sink;
    write_dsf(file, file.whole(), tag, sink, never);
    return sink.data;
}

std::string layout_error(const std::vector<std::string>& names)
{
    std::vector<iff_stream::chunk_id> ids;
    for (const std::string& n : names) ids.push_back({n[0], n[1], n[2], n[3]});
    try {
        dsf_layout_for(ids);
    } catch (const exception_io& e) {
        return e.what();
    }
    return "accepted";
}

} // namespace

TEST(dsf_writer, holds_the_same_dsd_in_dsf_bit_and_block_order_padded_with_silence)
{
    // Two full blocks per channel and a third of 1000 bytes.
    const std::uint64_t per_channel = 2 * 4096 + 1000;
    const std::uint32_t channel_type_of[] = {0, 1, 2, 3, 4, 6, 7};
    for (unsigned channels = 1; channels <= 6; ++channels) {
        SCOPED_TRACE(std::to_string(channels) + " channels");
        const bytes sound = noise(per_channel * channels, channels);
        const bytes dsf = dsf_of(*open_image(plain_image(standard_channel_ids(channels), sound)));
        const dsf_contents c = read_dsf(dsf);
        EXPECT_EQ(c.channel_type, channel_type_of[channels]);
        EXPECT_EQ(c.channels, channels);
        EXPECT_EQ(c.sample_rate, 2822400u);
        EXPECT_EQ(c.sample_count, per_channel * 8);
        EXPECT_EQ(c.data_size, 12 + 3 * 4096 * channels);
        EXPECT_EQ(c.file_size, dsf.size());
        EXPECT_EQ(c.metadata_offset, 0u);
        EXPECT_EQ(c.dsd, sound);
        // DSD silence 0x69 with its bits in DSF's order.
        EXPECT_EQ(c.padding, bytes((4096 - 1000) * channels, 0x96));
    }
}

TEST(dsf_writer, channels_are_put_in_dsf_order_and_layouts_it_cannot_name_refused)
{
    // Quad given back to front: DSF wants L R Ls Rs.
    const bytes sound = noise(5000 * 4, 9);
    const dsf_contents c = read_dsf(dsf_of(*open_image(plain_image({"LS  ", "RS  ", "SLFT", "SRGT"}, sound))));
    EXPECT_EQ(c.channel_type, 4u);
    const unsigned file_channel_of[] = {2, 3, 0, 1};
    for (std::size_t k = 0; k < 5000; ++k)
        for (unsigned s = 0; s < 4; ++s) ASSERT_EQ(c.dsd[k * 4 + s], sound[k * 4 + file_channel_of[s]]) << "byte " << k << ", DSF channel " << s;

    EXPECT_EQ(dsf_layout_for(std::vector{iff_stream::make_id("C   "), iff_stream::make_id("LFE "), iff_stream::make_id("LS  "),
                                         iff_stream::make_id("RS  "), iff_stream::make_id("SLFT"), iff_stream::make_id("SRGT")})
                  .source_channel,
              (std::vector<std::uint32_t>{4, 5, 0, 1, 2, 3}));
    EXPECT_EQ(layout_error({"SRGT", "LFE ", "C   ", "SLFT"}), "accepted"); // type 5, L R C LFE
    EXPECT_EQ(layout_error({"C001", "C000"}), "accepted");
    EXPECT_EQ(layout_error({"MLFT", "MRGT"}), "The DSF format cannot hold the channel layout \"MLFT\" \"MRGT\"");
    EXPECT_EQ(layout_error({"SLFT"}), "The DSF format cannot hold the channel layout \"SLFT\"");
    EXPECT_EQ(layout_error({"SLFT", "SRGT", "C   ", "LFE ", "LS  ", "RS  ", "MLFT"}),
              "The DSF format cannot hold the channel layout \"SLFT\" \"SRGT\" \"C   \" \"LFE \" \"LS  \" \"RS  \" \"MLFT\"");

    // Refused before anything is written.
    vector_sink sink;
    const auto sides = open_image(plain_image({"MLFT", "MRGT"}, bytes(64, 0x69)));
    EXPECT_THROW(write_dsf(*sides, sides->whole(), {}, sink, never), exception_io);
    EXPECT_TRUE(sink.data.empty());
}

TEST(dsf_writer, an_id3_tag_goes_at_the_end_and_the_header_points_to_it)
{
    const bytes tag = cat({text("ID3"), bytes{4, 0, 0, 0, 0, 0, 10}, bytes(10, 0)});
    const bytes dsf = dsf_of(*open_image(plain_image({"SLFT", "SRGT"}, noise(2 * 4100, 3))), tag);
    const dsf_contents c = read_dsf(dsf);
    const std::uint64_t tag_offset = 92 + 2 * 4096 * 2;
    EXPECT_EQ(c.metadata_offset, tag_offset);
    EXPECT_EQ(c.file_size, dsf.size());
    EXPECT_EQ(bytes(dsf.begin() + static_cast<std::ptrdiff_t>(tag_offset), dsf.end()), tag);
}
