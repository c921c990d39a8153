#include "qvxhost/player/abort_signal_impl.h"
#include "qvxhost/player/config_record.h"
#include "qvxhost/player/console_receivers.h"
#include "qvxhost/player/memory_streams.h"
#include "qvxhost/player/service_impl.h"
#include "qvxhost/player/track_info_impl.h"

#include <gtest/gtest.h>

#include <vector>

using field = track_info_impl::field;

// Fields keep the order they were first set in; setting one again replaces its value in place.
TEST(track_info_impl, keeps_fields_in_the_order_set)
{
    track_info_impl info;
    info.set_field("codec", track_info::length_unbounded, "DSD", track_info::length_unbounded);
    info.set_field("channels", 8, "2", 1);
    info.set_field("codec", track_info::length_unbounded, "DST", track_info::length_unbounded);
    info.set_length(60.5);
    EXPECT_EQ(info.fields(), (std::vector<field>{{"codec", "DST"}, {"channels", "2"}}));
    EXPECT_EQ(info.length(), 60.5);
    EXPECT_TRUE(info.has_length());
    EXPECT_EQ(info.get("channels"), "2");
    EXPECT_FALSE(info.get("samplerate").has_value());
}

// Bounded lengths cut the text; unbounded ones run to the terminating zero.
TEST(track_info_impl, honours_bounded_and_unbounded_lengths)
{
    track_info_impl info;
    info.set_field("original_samplerate_extra", 19, "2822400 and more", 7);
    info.set_field("a\0b", 3, "x", track_info::length_unbounded);
    EXPECT_EQ(info.fields(), (std::vector<field>{{"original_samplerate", "2822400"}, {"a", "x"}}));
}

// A console collector keeps each printed text as a line, without its line feed.
TEST(console_collector_impl, collects_printed_lines)
{
    service_uncounted<console_collector_impl> console;
    console.print("Unknown channel ID: ABCD\n", ~std::size_t{0});
    console.print("second line and rest", 11);
    EXPECT_EQ(console.lines(), (std::vector<std::string>{"Unknown channel ID: ABCD", "second line"}));
}

// GUID bytes follow the host's little-endian layout; the default rate record is as the component stores it.
TEST(config_record, builds_records_in_the_stored_layout)
{
    const std::vector<std::uint8_t> expected_guid{0x84, 0xF2, 0x35, 0xB7, 0x7A, 0x60, 0xC2, 0x4E,
                                                  0x91, 0xA0, 0xAC, 0x76, 0x1A, 0xF9, 0x0B, 0x7E};
    const auto bytes = guid_bytes(max_rate_setting_guid);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), expected_guid);

    std::vector<std::uint8_t> expected = expected_guid;
    for (std::uint8_t b : {4, 0, 0, 0, 0x88, 0x58, 0x01, 0x00}) expected.push_back(b);
    EXPECT_EQ(max_rate_record(88200), expected);
}

// Records parse back to what was appended; a stream cut inside a record is refused.
TEST(config_record, parses_back_what_was_appended)
{
    constexpr guid other = make_guid("CC7840A4-D540-4650-913F-5FD5C7A6A737");
    std::vector<std::uint8_t> stream = max_rate_record(40000);
    const std::vector<std::uint8_t> text{'4', '4', '1', '0', '0', '\n'};
    append_config_record(stream, other, text);
    append_config_record(stream, other, {});

    const auto records = parse_config_records(stream);
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), 3u);
    EXPECT_TRUE((*records)[0].id == max_rate_setting_guid);
    EXPECT_EQ((*records)[0].value, (std::vector<std::uint8_t>{0x40, 0x9C, 0x00, 0x00}));
    EXPECT_TRUE((*records)[1].id == other);
    EXPECT_EQ((*records)[1].value, text);
    EXPECT_TRUE((*records)[2].value.empty());

    // Drop the empty record and the last two bytes of the text.
    stream.resize(stream.size() - 20 - 2);
    EXPECT_FALSE(parse_config_records(stream).has_value());
}

// The memory streams carry bytes through unchanged and the reader stops at the end.
TEST(memory_streams, carry_bytes_both_ways)
{
    abort_signal_impl abort;
    service_uncounted<memory_stream_writer_impl> writer;
    writer.write("abc", 3, abort);
    writer.write("de", 2, abort);
    EXPECT_EQ(writer.bytes(), (std::vector<std::uint8_t>{'a', 'b', 'c', 'd', 'e'}));

    service_uncounted<memory_stream_reader_impl> reader(writer.bytes());
    char got[8] = {};
    EXPECT_EQ(reader.read(got, 2, abort), 2u);
    reader.skip_object(1, abort);
    EXPECT_EQ(reader.read(got, 8, abort), 2u);
    EXPECT_EQ(std::string(got, 2), "de");
    EXPECT_THROW(reader.read_object(got, 1, abort), exception_io_data_truncation);
}
