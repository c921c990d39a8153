// Decoding plain DSD through the input entry: PCM equal to the FIR over each
// channel, block sizes, seeking, and resampling through the host's providers.
#include "decoding_fixture.h"
#include "fake_resampler.h"

#include <cmath>
#include <limits>
#include <random>

using namespace dsdiff_writer;

namespace {

constexpr std::size_t block = 16384; // bytes per channel per call

bytes random_dsd(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

using input_decode = decoding_fixture;

stream_format format_of(unsigned channels, std::uint32_t rate = 2822400)
{
    stream_format f;
    f.sample_rate = rate;
    f.channel_ids = standard_channel_ids(channels);
    return f;
}

} // namespace

TEST_F(input_decode, pcm_equals_the_fir_over_each_channel_across_blocks)
{
    for (unsigned channels : {1u, 2u, 6u}) {
        const bytes sound = random_dsd(channels * (2 * block + 777), channels);
        service_ptr_t<input_decoder> decoder = open(plain_file(format_of(channels), sound));
        const decoded d = drain(*decoder);
        EXPECT_EQ(d.samples, reference_pcm(sound, channels)) << channels << " channels";
        EXPECT_EQ(d.chunk_frames, (std::vector<std::size_t>{block, block, 777})) << channels << " channels";
    }
}

TEST_F(input_decode, rates_of_both_families_decode_at_one_eighth)
{
    max_rate_setting = 4000000;
    for (std::uint32_t rate : {2822400u, 5644800u, 11289600u, 22579200u, 3072000u, 6144000u, 12288000u}) {
        const bytes sound = random_dsd(2 * 1000, rate);
        service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2, rate), sound));
        const decoded d = drain(*decoder);
        ASSERT_EQ(d.rates.size(), 1u) << rate;
        EXPECT_EQ(d.rates[0], rate / 8);
        EXPECT_EQ(d.samples, reference_pcm(sound, 2)) << rate;
    }
}

TEST_F(input_decode, chunk_describes_rate_and_channels)
{
    max_rate_setting = 400000;
    const bytes sound = random_dsd(5 * 100, 5);
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(5), sound));
    audio_chunk_impl chunk;
    ASSERT_TRUE(decoder->decode_next(chunk, abort));
    EXPECT_EQ(chunk.get_sample_rate(), 352800u);
    EXPECT_EQ(chunk.get_channels(), 5u);
    EXPECT_EQ(chunk.get_channel_config(), 0x37u);
    EXPECT_EQ(chunk.get_sample_count(), 100u);
    EXPECT_FALSE(decoder->decode_next(chunk, abort));
    EXPECT_FALSE(decoder->decode_next(chunk, abort)) << "false stays false";
}

TEST_F(input_decode, sound_data_of_whole_blocks_ends_with_an_empty_chunk)
{
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2), random_dsd(2 * 2 * block, 1)));
    audio_chunk_impl chunk;
    ASSERT_TRUE(decoder->decode_next(chunk, abort));
    ASSERT_TRUE(decoder->decode_next(chunk, abort));
    // A chunk that never held data has no buffer at all: nothing may be written through it.
    audio_chunk_impl fresh;
    ASSERT_TRUE(decoder->decode_next(fresh, abort));
    EXPECT_EQ(fresh.get_sample_count(), 0u);
    EXPECT_EQ(fresh.get_sample_rate(), 352800u);
    EXPECT_FALSE(decoder->decode_next(chunk, abort));
}

TEST_F(input_decode, seek_resumes_like_a_fresh_converter_at_the_byte)
{
    const bytes sound = random_dsd(2 * 20000, 9);
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2), sound));
    drain(*decoder, 1);
    decoder->seek_seconds(0.01, abort); // p = 28224 bits: byte 3528 per channel
    EXPECT_EQ(drain(*decoder).samples, reference_pcm(sound, 2, 3528));
    decoder->seek_seconds(0.010001, abort); // a few bits further: still byte 3528
    EXPECT_EQ(drain(*decoder).samples, reference_pcm(sound, 2, 3528));
}

TEST_F(input_decode, seek_outside_the_stream_clamps)
{
    const bytes sound = random_dsd(2 * 5000, 4);
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2), sound));
    const std::vector<float> whole = reference_pcm(sound, 2);
    for (double t : {-1.0, -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        decoder->seek_seconds(t, abort);
        EXPECT_EQ(drain(*decoder).samples, whole) << t;
    }
    for (double t : {10.0, 1e300, std::numeric_limits<double>::infinity()}) {
        decoder->seek_seconds(t, abort);
        const decoded d = drain(*decoder);
        EXPECT_EQ(d.chunk_frames, std::vector<std::size_t>{0}) << t << ": one empty chunk, then the end";
    }
}

TEST_F(input_decode, highest_priority_provider_that_accepts_is_chosen)
{
    resampler_log low, high, refusing;
    registry.add_object(dsp_entry::class_guid, make_service<fake_resampler_provider>(low, 1.0f, true));
    registry.add_object(dsp_entry::class_guid, make_service<fake_resampler_provider>(refusing, 9.0f, false));
    registry.add_object(dsp_entry::class_guid, make_service<fake_resampler_provider>(high, 2.0f, true));
    max_rate_setting = 88200;
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2), random_dsd(2 * 400, 2)));
    const decoded d = drain(*decoder);
    EXPECT_TRUE(low.run_flags.empty());
    EXPECT_TRUE(refusing.run_flags.empty());
    EXPECT_FALSE(high.run_flags.empty());
    ASSERT_FALSE(d.rates.empty());
    EXPECT_EQ(d.rates[0], 88200u);
}

TEST_F(input_decode, equal_priorities_keep_the_first_provider)
{
    resampler_log first, second;
    registry.add_object(dsp_entry::class_guid, make_service<fake_resampler_provider>(first, 1.0f, true));
    registry.add_object(dsp_entry::class_guid, make_service<fake_resampler_provider>(second, 1.0f, true));
    max_rate_setting = 88200;
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2), random_dsd(2 * 400, 2)));
    drain(*decoder);
    EXPECT_FALSE(first.run_flags.empty());
    EXPECT_TRUE(second.run_flags.empty());
}

TEST_F(input_decode, missing_resampler_fails_the_call_and_is_tried_again)
{
    max_rate_setting = 88200;
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2), random_dsd(2 * 3 * block, 3)));
    audio_chunk_impl chunk;
    try {
        decoder->decode_next(chunk, abort);
        FAIL() << "decoded without a resampler";
    } catch (const exception_io_data& e) {
        EXPECT_STREQ(e.what(), "Unsupported sample rate, no resampler present");
    }
    resampler_log log;
    auto provider = make_service<fake_resampler_provider>(log, 1.0f, true);
    provider->fail_instantiate = true;
    registry.add_object(dsp_entry::class_guid, provider);
    EXPECT_THROW(decoder->decode_next(chunk, abort), exception_io_data);
    provider->fail_instantiate = false;
    EXPECT_TRUE(decoder->decode_next(chunk, abort)) << "a later call tries the resampler again";
    EXPECT_EQ(provider->instantiations, 2);
}

TEST_F(input_decode, resampler_is_fed_until_it_emits_and_drained_at_the_end)
{
    resampler_log log;
    registry.add_object(dsp_entry::class_guid, make_service<fake_resampler_provider>(log, 1.0f, true, /*hold*/ 2, /*step*/ 4));
    max_rate_setting = 88200;
    const bytes sound = random_dsd(2 * (4 * block + 10), 6);
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2), sound));
    const decoded d = drain(*decoder);
    // Runs 1 and 2 are held back: the first call feeds three blocks and
    // returns their audio; nothing is invented while the resampler buffers.
    ASSERT_EQ(d.chunk_frames.size(), 2u);
    EXPECT_EQ(d.chunk_frames[0], 3 * block / 4);
    EXPECT_EQ(log.run_flags, (std::vector<std::uint32_t>{0, 0, 0, 0, 1})) << "the short last block carries end of stream";
    EXPECT_EQ(log.frames_in, 4 * block + 10);
    std::vector<float> expected;
    const std::vector<float> pcm = reference_pcm(sound, 2);
    for (std::size_t f = 0; f < 3 * block; f += 4) expected.insert(expected.end(), {pcm[2 * f], pcm[2 * f + 1]});
    EXPECT_EQ(std::vector<float>(d.samples.begin(), d.samples.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
}

TEST_F(input_decode, seek_flushes_the_resampler_and_resets_the_filters)
{
    resampler_log log;
    registry.add_object(dsp_entry::class_guid, make_service<fake_resampler_provider>(log, 1.0f, true, 0, 1));
    max_rate_setting = 88200;
    const bytes sound = random_dsd(2 * 9000, 8);
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2), sound));
    drain(*decoder, 1);
    decoder->seek_seconds(0.0, abort);
    EXPECT_EQ(log.flushes, 1);
    EXPECT_EQ(drain(*decoder).samples, reference_pcm(sound, 2)) << "a step-1 fake passes the PCM through unchanged";
}

TEST_F(input_decode, pcm_rate_equal_to_the_setting_is_not_resampled)
{
    max_rate_setting = 352800;
    service_ptr_t<input_decoder> decoder = open(plain_file(format_of(2), random_dsd(2 * 100, 1)));
    const decoded d = drain(*decoder);
    ASSERT_EQ(d.rates.size(), 1u);
    EXPECT_EQ(d.rates[0], 352800u);
}

TEST_F(input_decode, absurd_sample_rates_are_refused_at_start)
{
    service_ptr_t<input_decoder> decoder;
    entry.open_decoder(decoder, memory_source(plain_file(format_of(2, 4000000000u), bytes(400, 0x69))), "a.dff", abort);
    try {
        decoder->start_decoding(0, 0, abort);
        FAIL() << "started a 4 GHz stream";
    } catch (const exception_io_data& e) {
        EXPECT_STREQ(e.what(), "Unsupported sample rate: 4000000000");
    }
    EXPECT_THROW(decoder->start_decoding(1, 0, abort), exception_io_data) << "subsong 1";
}

TEST_F(input_decode, largest_legal_layout_and_rate_decode)
{
    // Eight distinct speaker positions are the most a valid file can name.
    stream_format eight = format_of(6, 1024 * 48000);
    eight.channel_ids.insert(eight.channel_ids.end(), {"MLFT", "MRGT"});
    max_rate_setting = 1024 * 48000 / 8;
    const bytes sound = random_dsd(8 * 300, 8);
    service_ptr_t<input_decoder> decoder = open(plain_file(eight, sound));
    const decoded d = drain(*decoder);
    EXPECT_EQ(d.samples, reference_pcm(sound, 8));
    EXPECT_EQ(d.rates, std::vector<std::uint32_t>{1024 * 48000 / 8});
}
