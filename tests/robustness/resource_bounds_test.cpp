// Every header field that sizes something: the largest legal value works and
// an absurd one is refused before anything large is allocated; the memory of
// opening and decoding does not grow with the size of the sound data.
#include "allocation_counter.h"
#include "dst_encoder/frame_encoder.h"
#include "playback.h"
#include "qvxhost/player/read_only_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

using namespace dsdiff_writer;
using namespace robustness;

namespace {

abort_signal_impl never;

constexpr std::size_t kib = 1024;
constexpr std::size_t mib = 1024 * kib;

// A file of any size without holding it: `head`, then `fill` up to `size`.
class generated_file : public read_only_file {
public:
    generated_file(bytes head, std::uint64_t size, std::uint8_t fill) : head_(std::move(head)), size_(size), fill_(fill) {}

    std::size_t read(void* buffer, std::size_t bytes_wanted, abort_signal& abort) override
    {
        abort.check();
        const std::uint64_t left = position_ < size_ ? size_ - position_ : 0;
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(bytes_wanted, left));
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t at = position_ + i;
            out[i] = at < head_.size() ? head_[static_cast<std::size_t>(at)] : fill_;
        }
        position_ += count;
        return count;
    }
    std::uint64_t get_size(abort_signal&) override { return size_; }
    std::uint64_t get_position(abort_signal&) override { return position_; }
    void seek(std::uint64_t position, abort_signal&) override { position_ = position; }
    bool can_seek() override { return true; }
    std::uint64_t get_timestamp(abort_signal&) override { return 0; }
    void reopen(abort_signal& abort) override { seek(0, abort); }

private:
    bytes head_;
    std::uint64_t size_;
    std::uint8_t fill_;
    std::uint64_t position_ = 0;
};

// A plain-DSD file with `sound_bytes` of sound data, all the DSD idle pattern.
file_ptr large_plain_file(const stream_format& format, std::uint64_t sound_bytes)
{
    const bytes head = plain_file_header(format, sound_bytes);
    return make_service<generated_file>(head, head.size() + sound_bytes + (sound_bytes & 1), 0x69);
}

// The error of opening and starting `source`, "" when both succeed; the peak
// of the bytes allocated meanwhile goes to `peak`.
std::string start_error(input_entry& entry, file_ptr source, std::size_t& peak)
{
    allocation_counter::start();
    std::string error;
    try {
        open_decoder(entry, std::move(source), never);
    } catch (const std::exception& e) {
        error = e.what();
    }
    peak = allocation_counter::peak_since_start();
    return error;
}

// Opens, decodes a few chunks, seeks to `seek_to` seconds and plays to the end;
// returns the peak of the bytes allocated meanwhile.
std::size_t peak_of_playing(input_entry& entry, file_ptr source, double seek_to, std::uint64_t& frames)
{
    allocation_counter::start();
    {
        service_ptr_t<input_decoder> decoder = open_decoder(entry, std::move(source), never);
        audio_chunk_impl chunk;
        frames = 0;
        for (int i = 0; i < 3 && decoder->decode_next(chunk, never); ++i) frames += chunk.get_sample_count();
        decoder->seek_seconds(seek_to, never);
        while (decoder->decode_next(chunk, never)) frames += chunk.get_sample_count();
    }
    return allocation_counter::peak_since_start();
}

bytes channel_list(unsigned count)
{
    bytes ids;
    const char* known[] = {"SLFT", "SRGT", "C   ", "LFE ", "LS  ", "RS  ", "MLFT", "MRGT"};
    for (unsigned i = 0; i < count; ++i) append(ids, text(known[i % 8]));
    return ids;
}

class resource_bounds : public ::testing::Test {
protected:
    host_scope host;
};

} // namespace

TEST_F(resource_bounds, eight_channels_decode_and_larger_channel_counts_are_refused_small)
{
    // Eight positions exist, so eight is the most a valid file can name.
    max_rate_setting = 88200;
    std::uint64_t frames = 0;
    const std::size_t peak = peak_of_playing(host.entry, large_plain_file({2822400, {"SLFT", "SRGT", "C   ", "LFE ", "LS  ", "RS  ",
                                                                                      "MLFT", "MRGT"}}, 8 * 100000), 0.1, frames);
    EXPECT_GT(frames, 0u);
    RecordProperty("peak_bytes_plain_8_channels", std::to_string(peak));
    EXPECT_LT(peak, 8 * 16384 * 10 + 2 * mib);

    // 32767 channels: the most a "CHNL" chunk loaded into memory can hold.
    for (unsigned count : {9u, 255u, 32767u}) {
        const bytes image = form("FRM8", "DSD ", {fver(), form("PROP", "SND ", {fs(2822400), chunk("CHNL", cat({be16(static_cast<std::uint16_t>(count)),
                                                                                                               channel_list(count)})),
                                                                                cmpr("DSD ", "x")}),
                                                  chunk("DSD ", bytes(count * 4, 0x69))});
        std::size_t open_peak = 0;
        EXPECT_EQ(start_error(host.entry, memory_file(image), open_peak), "Duplicate channels found") << count;
        EXPECT_LT(open_peak, image.size() + 256 * kib) << count;
    }
}

TEST_F(resource_bounds, the_highest_rates_decode_and_higher_ones_are_refused_before_allocating)
{
    max_rate_setting = 100000000;
    std::uint64_t frames = 0;
    const std::size_t plain_peak = peak_of_playing(host.entry, large_plain_file(format_of(2, 1024 * 48000), 2 * 100000), 0.0, frames);
    EXPECT_EQ(frames, 3 * 16384u + 100000u); // three chunks, then from the start again
    EXPECT_LT(plain_peak, 2 * 16384 * 10 + 2 * mib);

    // DST at 512 x 44100 Hz: one plain frame of 37632 bytes per channel.
    dst_encoder::encoder_options plain;
    plain.force_plain = true;
    const bytes frame = dst_encoder::encode_frame(random_dsd(2 * 37632, 1), 2, 512, plain);
    std::size_t dst_peak = 0;
    {
        allocation_counter::start();
        service_ptr_t<input_decoder> decoder = open_decoder(host.entry, memory_file(dst_file(format_of(2, 512 * 44100), {frame, frame})), never);
        const playback p = drain(*decoder, never);
        EXPECT_EQ(p.frames, 2 * 37632u);
        dst_peak = allocation_counter::peak_since_start();
    }
    RecordProperty("peak_bytes_dst_stereo_512x", std::to_string(dst_peak));
    EXPECT_LT(dst_peak, 2 * 37632 * 20 + 8 * mib);

    const std::pair<std::uint32_t, std::string> refused[] = {
        {1024 * 48000 + 1, "Unsupported sample rate: 49152001"},
        {0xFFFFFFFFu, "Unsupported sample rate: 4294967295"},
    };
    for (const auto& [rate, message] : refused) {
        std::size_t peak = 0;
        EXPECT_EQ(start_error(host.entry, large_plain_file(format_of(2, rate), 64), peak), message);
        EXPECT_LT(peak, 64 * kib) << rate;
    }
    std::size_t peak = 0;
    EXPECT_EQ(start_error(host.entry, memory_file(dst_file(format_of(2, 513 * 44100), {frame})), peak), "Unsupported rate factor!");
    EXPECT_LT(peak, frame.size() + 256 * kib);
}

TEST_F(resource_bounds, chunk_sizes_up_to_the_file_are_taken_and_larger_ones_refused_before_allocating)
{
    const bytes sound(64, 0x69);
    // The largest chunk that is loaded into memory.
    const bytes big_comment = form("FRM8", "DSD ", {fver(), chunk("COMT", bytes(131072, 'c')), prop(format_of(2), "DSD "), chunk("DSD ", sound)});
    std::size_t peak = 0;
    EXPECT_EQ(start_error(host.entry, memory_file(big_comment), peak), "");
    EXPECT_LT(peak, big_comment.size() + 256 * kib);

    // A sound-data chunk of 4 GiB and more is never loaded.
    const std::uint64_t four_gib = std::uint64_t{1} << 32;
    EXPECT_EQ(start_error(host.entry, large_plain_file(format_of(2), four_gib + 2), peak), "");
    EXPECT_LT(peak, 2 * mib);

    for (std::uint64_t declared : {std::uint64_t{1} << 40, ~std::uint64_t{0}, ~std::uint64_t{0} - 11}) {
        for (const char* id : {"COMT", "DSD ", "DSTF", "PROP", "FRM8"}) {
            const bytes image = std::string(id) == "FRM8"
                                    ? chunk("FRM8", cat({text("DSD "), fver()}), declared)
                                    : form("FRM8", "DSD ", {fver(), chunk(id, text("SND xxxx"), declared)});
            EXPECT_EQ(start_error(host.entry, memory_file(image), peak), "Chunk size too large") << id << " " << declared;
            EXPECT_LT(peak, 64 * kib) << id << " " << declared;
        }
    }
}

TEST_F(resource_bounds, the_largest_frame_is_read_and_a_larger_one_refused_before_its_buffer)
{
    max_rate_setting = 1000000;
    // Stereo at 64 x 44100 Hz: at most 2 x (4704 + 1024) + 1024 bytes a frame.
    const std::size_t limit = 2 * (4704 + 1024) + 1024;
    dst_encoder::encoder_options plain;
    plain.force_plain = true;
    bytes largest = dst_encoder::encode_frame(random_dsd(2 * 4704, 2), 2, 64, plain);
    ASSERT_LE(largest.size(), limit);
    largest.resize(limit, 0);
    {
        service_ptr_t<input_decoder> decoder = open_decoder(host.entry, memory_file(dst_file(format_of(2), {largest})), never);
        audio_chunk_impl chunk;
        try {
            decoder->decode_next(chunk, never);
        } catch (const exception_io_data& e) {
            EXPECT_STRNE(e.what(), "DSTF chunk too large");
        }
    }
    // A frame declaring 64 MiB, left in the file: refused without reading it.
    const std::uint64_t declared = 64 * mib;
    const bytes frte = chunk("FRTE", cat({be32(1), be16(75)}));
    const bytes inner = cat({fver(), prop(format_of(2), "DST "), text("DST "), be64(frte.size() + 12 + declared), frte, text("DSTF"),
                             be64(declared)});
    const std::uint64_t total = 16 + inner.size() + declared;
    const bytes head = cat({text("FRM8"), be64(total - 12), text("DSD "), inner});
    service_ptr_t<input_decoder> decoder = open_decoder(host.entry, make_service<generated_file>(head, total, 0), never);
    audio_chunk_impl chunk;
    allocation_counter::start();
    try {
        decoder->decode_next(chunk, never);
        ADD_FAILURE() << "no error";
    } catch (const exception_io_data& e) {
        EXPECT_STREQ(e.what(), "DSTF chunk too large");
    }
    EXPECT_LT(allocation_counter::peak_since_start(), 64 * kib);
}

TEST_F(resource_bounds, containers_nest_to_the_limit_and_no_deeper)
{
    const auto nested = [](int depth) {
        bytes inner = chunk("DITI", text("x"));
        for (int i = 0; i < depth; ++i) inner = chunk("DIIN", inner);
        return form("FRM8", "DSD ", {fver(), prop(format_of(2), "DSD "), chunk("DSD ", bytes(64, 0x69)), inner});
    };
    std::size_t peak = 0;
    // The form itself is one level; 31 containers inside it make 32.
    EXPECT_EQ(start_error(host.entry, memory_file(nested(31)), peak), "");
    EXPECT_EQ(start_error(host.entry, memory_file(nested(32)), peak), "Chunks nested too deeply");
    // Thousands of levels fail just as early, without deep recursion.
    EXPECT_EQ(start_error(host.entry, memory_file(nested(5000)), peak), "Chunks nested too deeply");
    EXPECT_LT(peak, nested(5000).size() + 256 * kib);
}

TEST_F(resource_bounds, memory_of_playing_does_not_grow_with_the_sound_data)
{
    max_rate_setting = 88200;
    std::uint64_t frames_small = 0, frames_large = 0;
    const std::size_t small = peak_of_playing(host.entry, large_plain_file(format_of(2), 2 * 200000), 1.0, frames_small);
    // 8 GiB of sound data: open, a few chunks, then the last second.
    const std::uint64_t large_bytes = std::uint64_t{8} << 30;
    const double length = static_cast<double>(large_bytes / 2) * 8.0 / 2822400.0;
    const std::size_t large = peak_of_playing(host.entry, large_plain_file(format_of(2), large_bytes), length - 1.0, frames_large);
    RecordProperty("peak_bytes_stereo_8_gib", std::to_string(large));
    EXPECT_GT(frames_large, frames_small);
    EXPECT_LT(large, small + 64 * kib) << "small file " << small << " bytes, large file " << large << " bytes";
    EXPECT_LT(large, 2 * mib);
}

TEST_F(resource_bounds, a_dst_stream_costs_a_small_fixed_amount_per_frame_chunk)
{
    max_rate_setting = 88200;
    dst_encoder::encoder_options plain;
    plain.force_plain = true;
    const bytes frame = dst_encoder::encode_frame(random_dsd(2 * 4704, 5), 2, 64, plain);
    const auto open_peak = [&](std::size_t frame_count) {
        const bytes image = dst_file(format_of(2), std::vector<bytes>(frame_count, frame));
        file_ptr source = memory_file(image);
        allocation_counter::start();
        service_ptr_t<input_decoder> decoder = open_decoder(host.entry, source, never);
        audio_chunk_impl chunk;
        decoder->decode_next(chunk, never);
        return allocation_counter::peak_since_start();
    };
    const std::size_t few = open_peak(100);
    const std::size_t many = open_peak(2100);
    const double per_chunk = static_cast<double>(many - few) / 2000.0;
    RecordProperty("bytes_per_frame_chunk", std::to_string(per_chunk));
    EXPECT_LT(per_chunk, 160.0);
    EXPECT_LT(few, 2 * mib);
}
