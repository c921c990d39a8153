// The two configuration variables: record format, reading rules and the
// history text.
#include "preferences/configuration_io.h"
#include "preferences/settings.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "qvxhost/player/memory_streams.h"
#include "qvxhost/player/service_impl.h"

#include <gtest/gtest.h>

namespace {

abort_signal_impl never;

using bytes = std::vector<std::uint8_t>;

const bytes max_rate_guid = {0x84, 0xF2, 0x35, 0xB7, 0x7A, 0x60, 0xC2, 0x4E, 0x91, 0xA0, 0xAC, 0x76, 0x1A, 0xF9, 0x0B, 0x7E};
const bytes history_guid = {0xA4, 0x40, 0x78, 0xCC, 0x40, 0xD5, 0x50, 0x46, 0x91, 0x3F, 0x5F, 0xD5, 0xC7, 0xA6, 0xA7, 0x37};

bytes record(const bytes& id, const bytes& value)
{
    bytes out = id;
    const auto n = static_cast<std::uint32_t>(value.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    out.insert(out.end(), value.begin(), value.end());
    return out;
}

bytes operator+(bytes a, const bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void read_config(const bytes& stream)
{
    service_uncounted<memory_stream_reader_impl> reader(stream);
    read_configuration(reader, never);
}

bytes written_config()
{
    service_uncounted<memory_stream_writer_impl> writer;
    write_configuration(writer, never);
    return writer.bytes();
}

std::string history() { std::string text; rate_history.load_text(text); return text; }

// Every test starts from the defaults.
class settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        max_rate_setting = default_max_rate;
        rate_history.store_text("");
    }
};

} // namespace

TEST_F(settings, default_configuration_is_two_records_history_first)
{
    EXPECT_EQ(written_config(), record(history_guid, {}) + record(max_rate_guid, {0x88, 0x58, 0x01, 0x00}));
}

TEST_F(settings, empty_stream_leaves_defaults)
{
    read_config({});
    EXPECT_EQ(max_rate_setting, 88200);
    EXPECT_EQ(history(), "");
}

TEST_F(settings, max_rate_record_lengths)
{
    read_config(record(max_rate_guid, {0x40, 0x9C, 0x00, 0x00}));
    EXPECT_EQ(max_rate_setting, 40000);

    // Too short: the value stays and reading goes on with the next record.
    read_config(record(max_rate_guid, {0x01, 0x02}) + record(history_guid, {'4', '4', '1', '0', '0', '\n'}));
    EXPECT_EQ(max_rate_setting, 40000);
    EXPECT_EQ(history(), "44100\n");

    // Longer: the rest is skipped.
    read_config(record(max_rate_guid, {0x80, 0xBB, 0x00, 0x00, 0xFF, 0xFF}) + record(history_guid, {'x', '\n'}));
    EXPECT_EQ(max_rate_setting, 48000);
    EXPECT_EQ(history(), "x\n");

    // Stored values are used as stored, negative ones included.
    read_config(record(max_rate_guid, {0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(max_rate_setting, -1);
}

TEST_F(settings, unknown_records_are_skipped_whole)
{
    bytes unknown_guid(16, 0x11);
    read_config(record(unknown_guid, bytes(1000, 0xEE)) + record(max_rate_guid, {0x40, 0x9C, 0x00, 0x00}));
    EXPECT_EQ(max_rate_setting, 40000);
}

TEST_F(settings, truncated_streams)
{
    // Ending inside a GUID ends reading silently.
    EXPECT_NO_THROW(read_config(record(max_rate_guid, {0x40, 0x9C, 0x00, 0x00}) + bytes(7, 0)));
    EXPECT_EQ(max_rate_setting, 40000);
    // Ending inside the length or the skipped remainder throws.
    EXPECT_THROW(read_config(bytes(max_rate_guid) + bytes{4, 0}), exception_io_data_truncation);
    bytes cut = record(bytes(16, 0x22), bytes(10, 0));
    cut.resize(cut.size() - 3);
    EXPECT_THROW(read_config(cut), exception_io_data_truncation);
}

TEST_F(settings, history_text_stops_at_a_zero_byte_per_block)
{
    read_config(record(history_guid, {'a', 'b', 0, 'c', '\n'}));
    EXPECT_EQ(history(), "ab");
    bytes long_text(300, 'x');
    long_text[10] = 0; // first block ends at the zero, the second block is taken whole
    read_config(record(history_guid, long_text));
    EXPECT_EQ(history(), std::string(10, 'x') + std::string(44, 'x'));
}

TEST_F(settings, accepted_values_survive_a_round_trip)
{
    read_config(record(max_rate_guid, {0x00, 0x77, 0x01, 0x00}) + record(history_guid, {'9', '6', '0', '0', '0', '\n'}));
    const bytes saved = written_config();
    max_rate_setting = 1;
    rate_history.store_text("");
    read_config(saved);
    EXPECT_EQ(max_rate_setting, 96000);
    EXPECT_EQ(history(), "96000\n");
}

TEST(history_text, splitting_ignores_empty_entries)
{
    EXPECT_EQ(split_history("\n\n44100\n\n48000"), (std::vector<std::string>{"44100", "48000"}));
    EXPECT_EQ(join_history({"44100", "48000"}), "44100\n48000\n");
    EXPECT_TRUE(split_history("").empty());
}

TEST_F(settings, add_item_moves_existing_entries_to_the_front)
{
    rate_history.store_text("48000\n44100\n");
    EXPECT_TRUE(rate_history.add_item("44100"));
    EXPECT_EQ(history(), "44100\n48000\n");
    EXPECT_FALSE(rate_history.add_item("96000"));
    EXPECT_EQ(history(), "96000\n44100\n48000\n");
}

TEST_F(settings, add_item_keeps_at_most_seventeen_entries)
{
    std::vector<std::string> entries;
    for (int i = 0; i < 20; ++i) entries.push_back(std::to_string(1000 + i));
    rate_history.store_text(join_history(std::vector<std::string>(entries.begin(), entries.begin() + 17)));
    EXPECT_FALSE(rate_history.add_item("96000"));
    std::vector<std::string> expected{"96000"};
    expected.insert(expected.end(), entries.begin(), entries.begin() + 16);
    EXPECT_EQ(split_history(history()), expected);

    rate_history.store_text(join_history(entries));
    rate_history.add_item("96000");
    EXPECT_EQ(split_history(history()), expected) << "20 entries lose their last 4";
}

TEST_F(settings, add_item_rejects_empty_and_replaces_line_feeds)
{
    rate_history.store_text("1\n");
    EXPECT_FALSE(rate_history.add_item(""));
    EXPECT_EQ(history(), "1\n");
    EXPECT_FALSE(rate_history.add_item("a\nb"));
    EXPECT_EQ(history(), "a|b\n1\n");
    rate_history.store_text("\n\n44100\n\n48000");
    rate_history.add_item("48000");
    EXPECT_EQ(history(), "48000\n44100\n");
}
