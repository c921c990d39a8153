// Decoding DST files through the input entry, with plain (uncoded) frames
// whose content is known: frame cursor, seeking, skip bytes, errors.
#include "decoding_fixture.h"

#include <random>

using namespace dsdiff_writer;

namespace {

abort_signal_impl never; // for the free helpers below
constexpr std::size_t frame_per_channel = 4704; // DSD64: 588 × 64 / 8

// An uncoded frame: coding flag 0, one free bit, six zero stuffing bits, the DSD.
bytes plain_frame(std::span<const std::uint8_t> dsd)
{
    bytes frame{0x00};
    append(frame, dsd);
    return frame;
}

struct dst_stream {
    bytes sound;  // interleaved DSD of all frames
    bytes image;  // the DST file
};

dst_stream make_stream(unsigned frames, unsigned channels = 2, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    stream_format format;
    format.channel_ids = standard_channel_ids(channels);
    dst_stream s;
    std::vector<bytes> frame_list;
    for (unsigned f = 0; f < frames; ++f) {
        bytes dsd(frame_per_channel * channels);
        for (auto& b : dsd) b = static_cast<std::uint8_t>(rng());
        append(s.sound, dsd);
        frame_list.push_back(plain_frame(dsd));
    }
    s.image = dst_file(format, frame_list);
    return s;
}

using input_dst = decoding_fixture;

std::string start_error(input_entry& entry, const bytes& image)
{
    service_ptr_t<input_decoder> decoder;
    try {
        entry.open_decoder(decoder, memory_source(image), "a.dff", never);
        decoder->start_decoding(0, 0, never);
        audio_chunk_impl chunk;
        while (decoder->decode_next(chunk, never)) {
        }
    } catch (const exception_io_data& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST_F(input_dst, frames_decode_in_order_one_chunk_each)
{
    for (unsigned channels : {1u, 2u, 6u}) {
        const dst_stream s = make_stream(3, channels, channels);
        service_ptr_t<input_decoder> decoder = open(s.image);
        const decoded d = drain(*decoder);
        EXPECT_EQ(d.samples, reference_pcm(s.sound, channels)) << channels;
        EXPECT_EQ(d.chunk_frames, std::vector<std::size_t>(3, frame_per_channel));
        audio_chunk_impl chunk;
        EXPECT_FALSE(decoder->decode_next(chunk, never)) << "false stays false";
    }
}

TEST_F(input_dst, other_chunks_between_frames_are_passed_over)
{
    const dst_stream s = make_stream(2);
    stream_format format;
    bytes dst = chunk("FRTE", cat({be32(2), be16(75)}));
    append(dst, chunk("DSTF", plain_frame(std::span(s.sound).first(2 * frame_per_channel))));
    append(dst, chunk("DSTC", be32(0)));
    append(dst, chunk("DSTF", plain_frame(std::span(s.sound).subspan(2 * frame_per_channel))));
    service_ptr_t<input_decoder> decoder = open(form("FRM8", "DSD ", {fver(), prop(format, "DST "), chunk("DST ", dst)}));
    EXPECT_EQ(drain(*decoder).samples, reference_pcm(s.sound, 2));
}

TEST_F(input_dst, seeking_lands_on_the_frame_and_skips_within_it)
{
    const dst_stream s = make_stream(80);
    service_ptr_t<input_decoder> decoder = open(s.image);
    // 1.0 s: frame 75 (the 76th), nothing skipped.
    decoder->seek_seconds(1.0, never);
    EXPECT_EQ(drain(*decoder).samples, reference_pcm(s.sound, 2, 75 * frame_per_channel));
    // 0.5 s: frame 37, then 18816 bits = 2352 bytes per channel dropped.
    decoder->seek_seconds(0.5, never);
    EXPECT_EQ(drain(*decoder).samples, reference_pcm(s.sound, 2, 37 * frame_per_channel + 2352));
}

TEST_F(input_dst, seeking_past_the_end_lands_on_the_last_frame)
{
    const dst_stream s = make_stream(4);
    service_ptr_t<input_decoder> decoder = open(s.image);
    decoder->seek_seconds(10.0 + 0.5 / 75, never); // half a frame into frame 750
    EXPECT_EQ(drain(*decoder).samples, reference_pcm(s.sound, 2, 3 * frame_per_channel + frame_per_channel / 2));
    decoder->seek_seconds(std::numeric_limits<double>::infinity(), never);
    EXPECT_LE(drain(*decoder).chunk_frames.size(), 1u) << "no endless walk";
    decoder->seek_seconds(-3.0, never);
    EXPECT_EQ(drain(*decoder).samples, reference_pcm(s.sound, 2));
}

TEST_F(input_dst, decoder_errors_become_data_errors_with_its_message)
{
    const dst_stream s = make_stream(2);
    bytes image = s.image;
    // The first frame's first byte: coding flag 0 with a stuffing bit set.
    const std::size_t first_frame = image.size() - 2 * (12 + 1 + 2 * frame_per_channel + 1) + 12;
    ASSERT_EQ(image[first_frame], 0x00);
    image[first_frame] = 0x01;
    EXPECT_EQ(start_error(entry, image), "Illegal stuffing pattern in frame!");
}

TEST_F(input_dst, streams_without_frames_or_with_odd_rates_are_refused)
{
    stream_format format;
    EXPECT_EQ(start_error(entry, form("FRM8", "DSD ", {fver(), prop(format, "DST "), container("DST ", {chunk("FRTE", cat({be32(0), be16(75)}))})})),
              "No DSTF chunks");
    format.sample_rate = 3072000; // 48 kHz family: not a multiple of 44100
    EXPECT_EQ(start_error(entry, dst_file(format, {plain_frame(bytes(2 * 5120, 0x69))})), "Unsupported DST sample rate: 3072000");
}

TEST_F(input_dst, oversized_frame_is_refused_before_reading_it)
{
    stream_format format;
    std::vector<bytes> frames{bytes(2 * (frame_per_channel + 1024) + 1025, 0)};
    EXPECT_EQ(start_error(entry, dst_file(format, frames)), "DSTF chunk too large");
}
