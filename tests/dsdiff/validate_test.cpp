// Validation of the chunk tree: every rule's message, in the order the rules
// are checked, and the properties of valid files.
#include "dsdiff/validate.h"
#include "memory_source.h"
#include "qvxhost/player/abort_signal_impl.h"

#include <gtest/gtest.h>

using namespace dsdiff_writer;

namespace {

abort_signal_impl never;

struct outcome {
    std::string error; // empty when valid
    stream_properties props;
    std::vector<std::string> console;
};

outcome check(const bytes& image)
{
    outcome result;
    iff_stream::iff_packet_container root;
    try {
        root.load(memory_source(image), never);
        validate_dsdiff(root, result.props, [&](const std::string& line) { result.console.push_back(line); });
    } catch (const exception_io_data& e) {
        result.error = e.what();
    }
    return result;
}

bytes frm8(std::initializer_list<bytes> chunks) { return form("FRM8", "DSD ", chunks); }

bytes prop_of(std::initializer_list<bytes> chunks) { return form("PROP", "SND ", chunks); }

const bytes stereo_prop = prop_of({fs(2822400), chnl({"SLFT", "SRGT"}), cmpr("DSD ", "not compressed")});
const bytes dst_prop = prop_of({fs(2822400), chnl({"SLFT", "SRGT"}), cmpr("DST ", "DST Encoded")});
const bytes sound = chunk("DSD ", bytes(64, 0x69));

bytes frte(std::uint32_t frames, std::uint16_t rate = 75) { return chunk("FRTE", cat({be32(frames), be16(rate)})); }

// A plain file whose "PROP" holds `props` (FVER and sound data around it).
std::string plain_error(std::initializer_list<bytes> props) { return check(frm8({fver(), prop_of(props), sound})).error; }

std::string channel_error(const std::vector<std::string>& ids)
{
    return plain_error({fs(2822400), chnl(ids), cmpr("DSD ", "")});
}

} // namespace

TEST(validate_dsdiff, plain_stereo_file_yields_its_properties)
{
    const outcome r = check(frm8({fver(), stereo_prop, sound}));
    ASSERT_EQ(r.error, "");
    EXPECT_FALSE(r.props.is_dst);
    EXPECT_EQ(r.props.sample_rate, 2822400u);
    EXPECT_EQ(r.props.channel_count, 2u);
    EXPECT_EQ(r.props.channel_mask, 0x3u);
    ASSERT_TRUE(r.props.sound_reader.is_valid());
    EXPECT_EQ(r.props.sound_reader->get_size(never), 64u);
    EXPECT_TRUE(r.console.empty());
}

TEST(validate_dsdiff, version_chunk_rules)
{
    EXPECT_EQ(check(frm8({stereo_prop, sound})).error, "FVER chunk missing");
    EXPECT_EQ(check(frm8({fver(), fver(), stereo_prop, sound})).error, "More than one FVER chunk");
    EXPECT_EQ(check(frm8({chunk("FVER", bytes(131073, 1)), stereo_prop, sound})).error, "FVER chunk too large");
    EXPECT_EQ(check(frm8({chunk("FVER", be16(1)), stereo_prop, sound})).error, "FVER chunk wrong size");
    EXPECT_EQ(check(frm8({fver(0x01060000), stereo_prop, sound})).error, "File version not supported");
    EXPECT_EQ(check(frm8({fver(0x00FFFFFF), stereo_prop, sound})).error, "File version not supported");
    EXPECT_EQ(check(frm8({fver(0x01000000), stereo_prop, sound})).error, "");
    EXPECT_EQ(check(frm8({fver(0x01050000), stereo_prop, sound})).error, "");
    // A chunk after "FRM8" joins the root: a second "FVER" there is a duplicate.
    EXPECT_EQ(check(cat({frm8({fver(), stereo_prop, sound}), fver()})).error, "More than one FVER chunk");
}

TEST(validate_dsdiff, prop_chunk_rules)
{
    EXPECT_EQ(check(frm8({fver(), sound})).error, "PROP chunk missing");
    EXPECT_EQ(check(frm8({fver(), stereo_prop, stereo_prop, sound})).error, "More than one PROP chunk");
    EXPECT_EQ(check(frm8({fver(), prop_of({}), sound})).error, "Required PROP chunks missing");
    EXPECT_EQ(plain_error({fs(2822400), chnl({"SLFT", "SRGT"})}), "Required PROP chunks missing");
    EXPECT_EQ(plain_error({fs(2822400), chunk("BIGP", bytes(131073, 0))}), "PROP sub-packet too large");
    EXPECT_EQ(plain_error({fs(2822400), container("DIIN", {})}), "PROP sub-packet too large");
}

TEST(validate_dsdiff, property_children_are_checked_in_file_order)
{
    const bytes small_chnl = chunk("CHNL", be16(2));
    EXPECT_EQ(plain_error({small_chnl, fs(1), fs(2)}), "PROP CHNL chunk too small");
    EXPECT_EQ(plain_error({fs(1), fs(2), small_chnl}), "Multiple PROP FS chunks found");
    EXPECT_EQ(plain_error({chunk("FS  ", be16(1))}), "PROP FS chunk wrong size");
    EXPECT_EQ(plain_error({chunk("CHNL", text("x"))}), "PROP CHNL chunk too small");
    EXPECT_EQ(plain_error({chnl({"SLFT"}), chnl({"SLFT"})}), "Multiple PROP CHNL chunks found");
    EXPECT_EQ(plain_error({chunk("CMPR", text("DSD "))}), "PROP CMPR chunk too small");
    EXPECT_EQ(plain_error({cmpr("DSD ", ""), cmpr("DSD ", "")}), "Multiple PROP CMPR chunks found");
    EXPECT_EQ(plain_error({chunk("ABSS", be32(0))}), "PROP ABSS chunk wrong size");
    EXPECT_EQ(plain_error({chunk("ABSS", be64(0)), chunk("ABSS", be64(0))}), "Multiple PROP ABSS chunks found");
    EXPECT_EQ(plain_error({chunk("LSCO", be32(0))}), "PROP LSCO chunk wrong size");
    EXPECT_EQ(plain_error({chunk("LSCO", be16(0)), chunk("LSCO", be16(0))}), "Multiple PROP LSCO chunks found");
    EXPECT_EQ(plain_error({fs(2822400), chunk("ABSS", be64(0)), chunk("LSCO", be16(0)), chunk("XTRA", text("?")),
                           chnl({"SLFT", "SRGT"}), cmpr("DSD ", "")}),
              "");
}

TEST(validate_dsdiff, channel_table_and_order)
{
    EXPECT_EQ(channel_error({"SRGT", "SLFT"}), "Invalid channel order");
    EXPECT_EQ(channel_error({"SLFT", "SLFT"}), "Duplicate channels found");
    EXPECT_EQ(channel_error({"SLFT", "SRGT", "C   ", "LS  ", "RS  "}), "");
    EXPECT_EQ(channel_error({"SLFT", "SRGT", "LS  ", "C   ", "RS  "}), "Invalid channel order");
    EXPECT_EQ(channel_error({"SLFT", "SRGT", "C   ", "LFE ", "LS  ", "RS  "}), "");
    EXPECT_EQ(channel_error({"SRGT", "SLFT", "C   ", "LFE ", "LS  ", "RS  "}), "Invalid channel order");
    EXPECT_EQ(channel_error({"RS  ", "MRGT", "C   ", "MLFT", "LS  "}), "") << "non-standard layouts in any order";

    const outcome mask = check(frm8({fver(), prop_of({fs(2822400), chnl({"MLFT", "MRGT", "C   ", "LS  ", "RS  "}), cmpr("DSD ", "")}), sound}));
    ASSERT_EQ(mask.error, "");
    EXPECT_EQ(mask.props.channel_mask, 0x634u);
}

TEST(validate_dsdiff, unknown_channel_is_reported_and_taken_as_front_left)
{
    const outcome r = check(frm8({fver(), prop_of({fs(2822400), chnl({std::string("XY\0Z", 4), "SRGT"}), cmpr("DSD ", "")}), sound}));
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.props.channel_mask, 0x3u);
    ASSERT_EQ(r.console.size(), 1u);
    EXPECT_EQ(r.console[0], "Unknown channel ID: XY") << "the name ends at a zero byte";
}

TEST(validate_dsdiff, channel_payload_size)
{
    // 3 channels need 14 bytes; 13 is too small, extra bytes are ignored.
    const bytes ids = cat({be16(3), text("SLFTSRGTC   ")});
    bytes short_ids(ids.begin(), ids.end() - 1);
    EXPECT_EQ(plain_error({fs(2822400), chunk("CHNL", short_ids), cmpr("DSD ", "")}), "PROP CHNL chunk too small");
    EXPECT_EQ(plain_error({fs(2822400), chunk("CHNL", cat({ids, bytes(6, 0)})), cmpr("DSD ", "")}), "");
}

TEST(validate_dsdiff, compression_type_and_name)
{
    EXPECT_EQ(plain_error({fs(2822400), chnl({"SLFT"}), cmpr("FLAC", "flac")}), "Unsupported compression type: flac");
    // A length byte larger than what is there: the name stops at the payload's end.
    const bytes overlong = chunk("CMPR", cat({text("XYZW"), bytes{200}, text("abc")}));
    EXPECT_EQ(plain_error({fs(2822400), chnl({"SLFT"}), overlong}), "Unsupported compression type: abc");
    const bytes zero_inside = chunk("CMPR", cat({text("XYZW"), bytes{4}, text(std::string_view("ab\0d", 4))}));
    EXPECT_EQ(plain_error({fs(2822400), chnl({"SLFT"}), zero_inside}), "Unsupported compression type: ab");
}

TEST(validate_dsdiff, zero_rate_or_channels_are_refused)
{
    EXPECT_EQ(plain_error({fs(0), chnl({"SLFT"}), cmpr("DSD ", "")}), "PROP FS sample rate is zero");
    EXPECT_EQ(plain_error({fs(2822400), chunk("CHNL", be16(0)), cmpr("DSD ", "")}), "PROP CHNL chunk has no channels");
}

TEST(validate_dsdiff, plain_sound_data_rules)
{
    EXPECT_EQ(check(frm8({fver(), stereo_prop})).error, "DSD chunk missing");
    EXPECT_EQ(check(frm8({fver(), stereo_prop, sound, sound})).error, "More than one DSD chunk");
    // The sound data may follow the "FRM8" chunk at top level, and may declare
    // more than its enclosing range holds.
    const outcome after = check(cat({frm8({fver(), stereo_prop}), sound}));
    EXPECT_EQ(after.error, "");
    const outcome ignored_dst = check(frm8({fver(), stereo_prop, sound, container("DST ", {frte(1)})}));
    EXPECT_EQ(ignored_dst.error, "");
}

TEST(validate_dsdiff, dst_frame_table_rules)
{
    const bytes frame = chunk("DSTF", bytes(10, 0));
    const outcome ok = check(frm8({fver(), dst_prop, container("DST ", {frte(4500), frame})}));
    ASSERT_EQ(ok.error, "");
    EXPECT_TRUE(ok.props.is_dst);
    EXPECT_EQ(ok.props.frame_count, 4500u);
    EXPECT_EQ(ok.props.frame_rate, 75u);
    EXPECT_FALSE(ok.props.sound_reader.is_valid());

    EXPECT_EQ(check(frm8({fver(), dst_prop})).error, "DST chunk missing");
    EXPECT_EQ(check(frm8({fver(), dst_prop, container("DST ", {frte(1)}), container("DST ", {frte(1)})})).error,
              "More than one DST chunk");
    EXPECT_EQ(check(frm8({fver(), dst_prop, container("DST ", {})})).error, "DST chunk is missing FRTE chunk");
    EXPECT_EQ(check(frm8({fver(), dst_prop, container("DST ", {frame, frte(1)})})).error, "DST chunk is missing FRTE chunk");
    EXPECT_EQ(check(frm8({fver(), dst_prop, container("DST ", {chunk("FRTE", bytes(131073, 0))})})).error,
              "DST FRTE chunk too large");
    EXPECT_EQ(check(frm8({fver(), dst_prop, container("DST ", {chunk("FRTE", be32(1))})})).error, "DST FRTE chunk wrong size");
    EXPECT_EQ(check(frm8({fver(), dst_prop, container("DST ", {frte(1, 60)})})).error, "Non-standard frame rate");
    // A "DSD " chunk in a DST file is ignored.
    EXPECT_EQ(check(frm8({fver(), dst_prop, sound, container("DST ", {frte(1)})})).error, "");
}
