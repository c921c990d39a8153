#include "qvxhost/player/abort_signal_impl.h"
#include "tests/doubles/audio_chunk_list.h"
#include "qvxhost/player/service_impl.h"
#include "qvxhost/player/soxr_resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr std::uint32_t source_rate = 352800;
constexpr std::uint32_t target_rate = 88200;
constexpr std::uint32_t stereo_mask = 3;

// Interleaved stereo: a sine on the left, the same sine at half level, inverted, on the right.
std::vector<float> stereo_sine(double frequency, double level, std::size_t first_frame, std::size_t frames)
{
    std::vector<float> samples(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(first_frame + i) / source_rate;
        const double v = level * std::sin(2 * std::numbers::pi * frequency * t);
        samples[2 * i] = static_cast<float>(v);
        samples[2 * i + 1] = static_cast<float>(-v / 2);
    }
    return samples;
}

service_ptr_t<dsp_instance_v2> make_resampler(std::uint32_t rate)
{
    service_uncounted<soxr_resampler_provider_impl> provider;
    dsp_preset preset;
    EXPECT_TRUE(provider.create_preset(preset, rate, 0.0f));
    service_ptr_t<dsp_instance> instance;
    EXPECT_TRUE(provider.instantiate(instance, preset));
    service_ptr_t<dsp_instance_v2> v2;
    EXPECT_TRUE(v2.query_from(instance.get_ptr()));
    return v2;
}

// Runs `frames` of the sine through in blocks as the component does; the last run ends the stream if asked.
std::vector<float> resample(dsp_instance_v2& resampler, std::size_t frames, bool end_of_stream,
                            std::size_t block = 16384)
{
    abort_signal_impl abort;
    std::vector<float> out;
    for (std::size_t done = 0; done < frames; done += block) {
        const std::size_t n = std::min(block, frames - done);
        audio_chunk_list_impl list;
        list.add(stereo_sine(1000.0, 0.5, done, n), source_rate, 2, stereo_mask);
        service_ptr_t<track_handle> track;
        const bool last = done + n == frames;
        resampler.run_abortable(list, track, last && end_of_stream ? std::uint32_t{dsp_instance::flag_end_of_stream} : 0u, abort);
        for (std::size_t i = 0; i < list.get_count(); ++i) {
            const audio_chunk& chunk = *list.get_item(i);
            EXPECT_EQ(chunk.get_sample_rate(), target_rate);
            EXPECT_EQ(chunk.get_channels(), 2u);
            EXPECT_EQ(chunk.get_channel_config(), stereo_mask);
            EXPECT_EQ(chunk.get_data_size(), chunk.get_sample_count() * 2);
            out.insert(out.end(), chunk.get_data(), chunk.get_data() + chunk.get_data_size());
        }
    }
    return out;
}

struct tone_fit {
    double level;     // amplitude of the best-fitting sine at the frequency
    double residual;  // RMS of what the fitted sine leaves
};

// Least-squares fit of a sine at `frequency` to one channel over whole periods.
tone_fit fit_tone(const std::vector<float>& interleaved, std::size_t channel, std::size_t first, std::size_t count,
                  double frequency, double rate)
{
    double c = 0, s = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        const double w = 2 * std::numbers::pi * frequency * static_cast<double>(i) / rate;
        c += interleaved[2 * i + channel] * std::cos(w);
        s += interleaved[2 * i + channel] * std::sin(w);
    }
    c *= 2.0 / static_cast<double>(count);
    s *= 2.0 / static_cast<double>(count);
    double error = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        const double w = 2 * std::numbers::pi * frequency * static_cast<double>(i) / rate;
        const double d = interleaved[2 * i + channel] - (c * std::cos(w) + s * std::sin(w));
        error += d * d;
    }
    return {std::hypot(c, s), std::sqrt(error / static_cast<double>(count))};
}

} // namespace

// The provider makes presets for its own instances only and takes sane rate pairs.
TEST(soxr_resampler_provider_impl, presets_and_supported_conversions)
{
    service_uncounted<soxr_resampler_provider_impl> provider(2.5f);
    EXPECT_EQ(provider.get_priority(), 2.5f);
    EXPECT_TRUE(provider.is_conversion_supported(352800, 88200));
    EXPECT_TRUE(provider.is_conversion_supported(2822400 / 8 * 8, 44100));
    EXPECT_FALSE(provider.is_conversion_supported(0, 88200));
    EXPECT_FALSE(provider.is_conversion_supported(352800, 0));
    EXPECT_FALSE(provider.is_conversion_supported(22579200, 44100)) << "512 to 1 is beyond its range";

    dsp_preset preset;
    ASSERT_TRUE(provider.create_preset(preset, 88200, 0.0f));
    EXPECT_EQ(preset.data, (std::vector<std::uint8_t>{0x88, 0x58, 0x01, 0x00}));
    service_ptr_t<dsp_instance> instance;
    dsp_preset foreign = preset;
    foreign.owner = null_guid;
    EXPECT_FALSE(provider.instantiate(instance, foreign));
    EXPECT_TRUE(instance.is_empty());

    service_ptr_t<resampler_provider> as_provider;
    EXPECT_TRUE(as_provider.query_from(static_cast<service_base*>(static_cast<dsp_entry*>(&provider))));
}

// 352800 to 88200 keeps a 1 kHz tone's frequency and level on both channels.
TEST(soxr_resampler_impl, keeps_frequency_and_level)
{
    auto resampler = make_resampler(target_rate);
    const auto out = resample(*resampler, source_rate, true);
    // Half a second from 0.1 s on: 500 whole periods, clear of the start-up transient.
    const tone_fit left = fit_tone(out, 0, 8820, 44100, 1000.0, target_rate);
    const tone_fit right = fit_tone(out, 1, 8820, 44100, 1000.0, target_rate);
    EXPECT_NEAR(left.level, 0.5, 0.005);
    EXPECT_NEAR(right.level, 0.25, 0.0025);
    EXPECT_LT(left.residual, 1e-3) << "a tone at another frequency would leave most of its power";
    EXPECT_LT(right.residual, 1e-3);
}

// Ending the stream drains the tail: the output length is the input length times the ratio.
TEST(soxr_resampler_impl, end_of_stream_drains_the_tail)
{
    const std::size_t frames = 100000;
    const auto open = resample(*make_resampler(target_rate), frames, false);
    const auto drained = resample(*make_resampler(target_rate), frames, true);
    EXPECT_LT(open.size() / 2, frames / 4 - 10) << "without the end some output stays buffered";
    EXPECT_NEAR(static_cast<double>(drained.size() / 2), frames / 4.0, 1.0);
}

// A small first block may give no output at all; the list is then empty.
TEST(soxr_resampler_impl, buffered_input_leaves_an_empty_list)
{
    auto resampler = make_resampler(target_rate);
    audio_chunk_list_impl list;
    list.add(stereo_sine(1000.0, 0.5, 0, 8), source_rate, 2, stereo_mask);
    service_ptr_t<track_handle> track;
    resampler->run(list, track, 0);
    EXPECT_EQ(list.get_count(), 0u);
}

// After a flush the resampler starts afresh: the same input gives what a new resampler gives.
TEST(soxr_resampler_impl, flush_resets_the_state)
{
    auto used = make_resampler(target_rate);
    resample(*used, 50000, false);
    used->flush();
    const auto after_flush = resample(*used, 60000, true, 12000);
    const auto fresh = resample(*make_resampler(target_rate), 60000, true, 12000);
    ASSERT_EQ(after_flush.size(), fresh.size());
    for (std::size_t i = 0; i < fresh.size(); ++i) ASSERT_EQ(after_flush[i], fresh[i]) << "sample " << i;
}

// A cancelled run throws before doing any work.
TEST(soxr_resampler_impl, aborted_run_throws)
{
    auto resampler = make_resampler(target_rate);
    audio_chunk_list_impl list;
    list.add(stereo_sine(1000.0, 0.5, 0, 1000), source_rate, 2, stereo_mask);
    service_ptr_t<track_handle> track;
    abort_signal_impl abort;
    abort.set();
    EXPECT_THROW(resampler->run_abortable(list, track, 0, abort), exception_aborted);
}
