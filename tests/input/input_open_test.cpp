// Opening files through the input entry, and the track information.
#include "host_access/core_api.h"
#include "input/input_entry_impl.h"
#include "memory_source.h"
#include "preferences/settings.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "qvxhost/player/console_receivers.h"
#include "qvxhost/player/read_only_file.h"
#include "qvxhost/player/service_registry_impl.h"
#include "qvxhost/player/track_info_impl.h"
#include "host/audio_chunk_impl.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dsdiff_writer;

namespace {

abort_signal_impl never;

// A plain-DSD image whose sound data is `sound_bytes` long without holding
// it: the header is real, the sound data reads as DSD silence.
class synthetic_file : public read_only_file {
public:
    synthetic_file(bytes head, std::uint64_t total) : header(std::move(head)), size(total) {}
    std::size_t read(void* buffer, std::size_t n, abort_signal&) override
    {
        const std::uint64_t left = position < size ? size - position : 0;
        const std::size_t count = n < left ? n : static_cast<std::size_t>(left);
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (std::size_t i = 0; i < count; ++i, ++position) out[i] = position < header.size() ? header[position] : 0x69;
        return count;
    }
    std::uint64_t get_size(abort_signal&) override { return size; }
    std::uint64_t get_position(abort_signal&) override { return position; }
    void seek(std::uint64_t p, abort_signal&) override { position = p; }
    bool can_seek() override { return true; }
    std::uint64_t get_timestamp(abort_signal&) override { return 1234; }
    void reopen(abort_signal&) override { position = 0; }

private:
    bytes header;
    std::uint64_t size;
    std::uint64_t position = 0;
};

stream_format stereo;

bytes dst_image(std::uint32_t frame_count)
{
    bytes dst = chunk("FRTE", cat({be32(frame_count), be16(75)}));
    append(dst, chunk("DSTF", bytes(16, 0)));
    return form("FRM8", "DSD ", {fver(), prop(stereo, "DST "), chunk("DST ", dst)});
}

class input_open : public ::testing::Test {
protected:
    void SetUp() override
    {
        registry.add(console_receiver::class_guid, console);
        core_api::set_registry(&registry);
        core_api::set_services_ready(true);
        max_rate_setting = default_max_rate;
    }
    void TearDown() override { core_api::set_registry(nullptr); }

    std::vector<track_info_impl::field> info_of(const service_ptr_t<file>& source, double& length)
    {
        service_ptr_t<input_info_reader> reader;
        entry.open_info_reader(reader, source, "song.dff", never);
        track_info_impl info;
        reader->read_info(0, info, never);
        length = info.length();
        return info.fields();
    }

    service_registry_impl registry;
    service_ptr_t<console_collector_impl> console = make_service<console_collector_impl>();
    service_static_t<input_entry_impl> entry;
};

} // namespace

TEST(input_entry, accepts_dff_extension_in_any_case)
{
    service_static_t<input_entry_impl> entry;
    EXPECT_TRUE(entry.accepts_path("x.dff", "dff"));
    EXPECT_TRUE(entry.accepts_path("x.DFF", "DFF"));
    EXPECT_TRUE(entry.accepts_path("", "Dff"));
    EXPECT_FALSE(entry.accepts_path("x.dsf", "dsf"));
    EXPECT_FALSE(entry.accepts_path("x", ""));
    EXPECT_FALSE(entry.accepts_path("x.dff", "dffx"));
    EXPECT_FALSE(entry.accepts_path("song.dff", "wav")) << "the path itself is ignored";
    EXPECT_FALSE(entry.accepts_content_type("audio/dff"));
    EXPECT_EQ(entry.get_flags(), 0u);
}

TEST_F(input_open, info_of_a_plain_stereo_file)
{
    double length = 0;
    const auto fields = info_of(memory_source(plain_file(stereo, bytes(2822400 / 8 * 2, 0x69))), length);
    const std::vector<track_info_impl::field> expected = {{"codec", "DSD"}, {"original_samplerate", "2822400"}, {"channels", "2"}};
    EXPECT_EQ(fields, expected);
    EXPECT_EQ(length, 1.0);
}

TEST_F(input_open, long_plain_file_length)
{
    const std::uint64_t sound = 1411200000;
    const bytes head = plain_file_header(stereo, sound);
    double length = 0;
    info_of(make_service<synthetic_file>(head, head.size() + sound), length);
    EXPECT_EQ(length, 2000.0);
}

TEST_F(input_open, dst_file_reports_codec_dsd_and_fractional_length)
{
    double length = 0;
    const auto fields = info_of(memory_source(dst_image(38)), length);
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields[0].value, "DSD");
    EXPECT_DOUBLE_EQ(length, 38.0 / 75.0);
    info_of(memory_source(dst_image(4500)), length);
    EXPECT_EQ(length, 60.0);
}

TEST_F(input_open, info_writer_is_refused)
{
    service_ptr_t<input_info_writer> writer;
    try {
        entry.open_info_writer(writer, memory_source(plain_file(stereo, bytes(8, 0x69))), "a.dff", never);
        FAIL() << "opened for writing";
    } catch (const exception_io_data& e) {
        EXPECT_STREQ(e.what(), "Unsupported format or corrupted file");
    }
    EXPECT_TRUE(writer.is_empty());
}

TEST_F(input_open, malformed_file_leaves_the_out_reference_untouched)
{
    service_ptr_t<input_decoder> decoder;
    try {
        entry.open_decoder(decoder, memory_source(text("RIFF....WAVE")), "a.dff", never);
        FAIL() << "opened a non-DSDIFF file";
    } catch (const exception_io_data& e) {
        EXPECT_STREQ(e.what(), "Not a DSDIFF file");
    }
    EXPECT_TRUE(decoder.is_empty());
}

TEST_F(input_open, without_file_hint_the_path_needs_a_filesystem)
{
    service_ptr_t<input_info_reader> reader;
    try {
        entry.open_info_reader(reader, {}, "/nowhere/a.dff", never);
        FAIL() << "opened without a file system";
    } catch (const exception_io_no_handler_for_path& e) {
        EXPECT_STREQ(e.what(), "Invalid path");
    }
}

TEST_F(input_open, wrappers_answer_their_interfaces)
{
    const bytes image = plain_file(stereo, bytes(64, 0x69));
    service_ptr_t<input_decoder> decoder;
    entry.open_decoder(decoder, memory_source(image), "a.dff", never);
    service_ptr_t<input_info_reader> as_reader;
    EXPECT_TRUE(as_reader.query_from(decoder.get_ptr()));
    service_ptr_t<service_base> other;
    EXPECT_FALSE(decoder->service_query(other, input_info_writer::class_guid));

    service_ptr_t<input_info_reader> reader;
    entry.open_info_reader(reader, memory_source(image), "a.dff", never);
    service_ptr_t<input_decoder> as_decoder;
    EXPECT_FALSE(as_decoder.query_from(reader.get_ptr()));
    EXPECT_EQ(reader->subsong_count(), 1u);
    EXPECT_EQ(reader->subsong_id(3), 0u);
    track_info_impl info;
    EXPECT_THROW(reader->read_info(1, info, never), exception_io_data);
}

TEST_F(input_open, file_stats_describe_the_whole_file)
{
    const bytes image = plain_file(stereo, bytes(64, 0x69));
    service_ptr_t<input_info_reader> reader;
    entry.open_info_reader(reader, make_service<synthetic_file>(image, image.size()), "a.dff", never);
    const file_stats stats = reader->read_file_stats(never);
    EXPECT_EQ(stats.size, image.size());
    EXPECT_EQ(stats.timestamp, 1234u);
}

TEST_F(input_open, unknown_channel_goes_to_the_console)
{
    stream_format odd;
    odd.channel_ids = {"ABCD", "SRGT"};
    double length = 0;
    info_of(memory_source(plain_file(odd, bytes(64, 0x69))), length);
    EXPECT_EQ(console->lines(), std::vector<std::string>{"Unknown channel ID: ABCD"});
}

TEST_F(input_open, dynamic_info_reports_the_output_rate_once_after_start)
{
    for (const auto& [setting, expected] : {std::pair{88200, "88200"}, std::pair{400000, "352800"}}) {
        max_rate_setting = setting;
        service_ptr_t<input_decoder> decoder;
        entry.open_decoder(decoder, memory_source(plain_file(stereo, bytes(64, 0x69))), "a.dff", never);
        track_info_impl info;
        double offset = -7;
        EXPECT_FALSE(decoder->read_dynamic_info(info, offset)) << "nothing before start";
        decoder->start_decoding(0, 0, never);
        ASSERT_TRUE(decoder->read_dynamic_info(info, offset));
        EXPECT_EQ(info.get("samplerate"), std::optional<std::string>(expected));
        EXPECT_EQ(offset, -7) << "the time offset is never written";
        EXPECT_FALSE(decoder->read_dynamic_info(info, offset)) << "a second poll without a seek";
        decoder->seek_seconds(0.0, never);
        EXPECT_TRUE(decoder->read_dynamic_info(info, offset)) << "again after a seek";
    }
}

TEST_F(input_open, every_truncation_of_a_valid_file_fails_cleanly_or_opens)
{
    // Opening any prefix of a valid file either works or throws a data error
    // naming the fault; decoding what opened runs to its end.
    const bytes plain = plain_file(stereo, bytes(2 * 40, 0x69));
    const bytes dst = dst_image(1);
    for (const bytes* image : {&plain, &dst}) {
        for (std::size_t length = 0; length <= image->size(); ++length) {
            const bytes prefix(image->begin(), image->begin() + static_cast<std::ptrdiff_t>(length));
            service_ptr_t<input_decoder> decoder;
            try {
                entry.open_decoder(decoder, memory_source(prefix), "a.dff", never);
            } catch (const exception_io_data& e) {
                EXPECT_STRNE(e.what(), "") << length;
                continue;
            }
            try {
                decoder->start_decoding(0, 0, never);
                audio_chunk_impl chunk;
                int calls = 0;
                while (decoder->decode_next(chunk, never)) ASSERT_LT(++calls, 1000) << length;
            } catch (const exception_io_data&) {
                // A frame cut short is a data error too.
            }
        }
    }
}

TEST_F(input_open, declared_sound_size_beyond_its_range_sets_the_length)
{
    // The "DSD " chunk claims more than "FRM8" holds after it, though not more
    // than "FRM8" holds in all: it is accepted and its declared size counts.
    const bytes head = cat({fver(), prop(stereo, "DSD ")});
    const std::uint64_t range = head.size() + 12 + 100; // what the "FRM8" reader shows
    const std::uint64_t declared = range - 12;
    const bytes image = form("FRM8", "DSD ", {head, chunk("DSD ", bytes(100, 0x69), declared)});
    double length = 0;
    info_of(memory_source(image), length);
    EXPECT_EQ(length, static_cast<double>(declared) / 2 * 8 / 2822400);
}
