// Whole playback through the real component library and qvxhost: level,
// frequency and noise of a generated tone at the default output rate, and
// agreement with ffmpeg's DSD decoder on the same file.
#include "dsd_generator.h"
#include "dsdiff_writer.h"
#include "program_runner.h"
#include "fft_power.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

namespace {

namespace fs = std::filesystem;

// Writes a stereo DSD64 file with one tone per channel.
void write_tone_file(const std::string& path, double frequency, double level_db, double seconds)
{
    dsdgen::signal_description d;
    d.sample_rate = 2822400;
    d.channels.resize(2);
    for (auto& c : d.channels) c.tones.push_back({frequency, level_db});
    const auto frames = static_cast<std::uint64_t>(seconds * d.sample_rate / 8);
    const std::vector<std::uint8_t> dsd = dsdgen::generate_dsd(d, frames);
    dsdiff_writer::stream_format format;
    dsdiff_writer::write_file(path, dsdiff_writer::plain_file(format, dsd));
}

std::vector<double> channel(const std::vector<float>& interleaved, std::size_t c, std::size_t first, std::size_t n)
{
    std::vector<double> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = interleaved[2 * (first + i) + c];
    return out;
}

std::string qvxhost() { return built_program("qvxhost"); }

// The left channel through a 401-tap Blackman-windowed sinc low-pass at 20 kHz
// (352800 Hz sampling), unity gain at 0 Hz.
std::vector<double> lowpass_left(const std::vector<float>& interleaved)
{
    constexpr int half = 200;
    const double cutoff = 20000.0 / 352800.0;
    std::vector<double> taps;
    for (int n = -half; n <= half; ++n) {
        const double x = 2 * cutoff * n;
        const double sinc = n == 0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        const double w = 0.42 + 0.5 * std::cos(std::numbers::pi * n / half) + 0.08 * std::cos(2 * std::numbers::pi * n / half);
        taps.push_back(2 * cutoff * sinc * w);
    }
    double sum = 0;
    for (double t : taps) sum += t;
    const std::size_t frames = interleaved.size() / 2;
    std::vector<double> out(frames, 0.0);
    for (std::size_t i = half; i + half < frames; ++i) {
        double acc = 0;
        for (int k = -half; k <= half; ++k) acc += taps[static_cast<std::size_t>(k + half)] * interleaved[2 * (i + static_cast<std::size_t>(k + half) - half)];
        out[i] = acc / sum;
    }
    return out;
}

} // namespace

TEST(playback, tone_at_default_rate_keeps_level_frequency_and_a_clean_band)
{
    const scratch_dir dir("e2e");
    // 743 bins of 88200/65536 Hz: 999.95 Hz, a whole number of periods in the
    // analysed block, so the tone falls in one bin.
    const double frequency = 743.0 * 88200.0 / 65536.0;
    write_tone_file(dir / "tone.dff", frequency, -6.0, 1.2);
    const program_result r = run_program(qvxhost() + " decode " + dir.path("tone.dff") + " -o " + dir.path("tone.f32"),
                                         dir);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("samplerate=88200\n"), std::string::npos) << r.out;
    const std::vector<float> pcm = read_f32(dir.path("tone.f32"));
    ASSERT_GE(pcm.size(), 2u * (8192 + 65536));

    const std::size_t n = 65536;
    const std::vector<double> window = kaiser_window(n, 20.0);
    const std::vector<double> power = power_spectrum(channel(pcm, 0, 8192, n), window);
    const double bin_hz = 88200.0 / static_cast<double>(n);
    const std::size_t peak = static_cast<std::size_t>(std::max_element(power.begin() + 1, power.end()) - power.begin());
    EXPECT_EQ(peak, 743u) << "tone at " << static_cast<double>(peak) * bin_hz << " Hz";

    // The tone's power spreads over the window's main lobe.
    double tone = 0, noise = 0, window_power = 0;
    for (double w : window) window_power += w * w;
    for (std::size_t k = 1; k < power.size(); ++k) {
        const double hz = static_cast<double>(k) * bin_hz;
        if (k + 12 >= 743 && k <= 743 + 12)
            tone += power[k];
        else if (hz >= 20.0 && hz <= 20000.0)
            noise += power[k];
    }
    // By Parseval, a sine of amplitude A puts (A/2)²·N·Σw² into each half of the spectrum.
    const double amplitude = std::sqrt(4.0 * tone / (static_cast<double>(n) * window_power));
    EXPECT_NEAR(20 * std::log10(amplitude), 20 * std::log10(0.5011872 * 1.99392175), 0.05) << "amplitude " << amplitude;
    const double snr_db = 10 * std::log10(tone / noise);
    RecordProperty("in_band_snr_db", std::to_string(snr_db));
    std::printf("in-band SNR of a -6 dBFS tone at 88200 Hz: %.1f dB\n", snr_db);
    EXPECT_GT(snr_db, 110.0);
}

TEST(playback, agrees_with_ffmpeg_after_the_first_samples)
{
    if (!fs::exists("/usr/bin/ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    const scratch_dir dir("e2e");
    write_tone_file(dir / "tone.dff", 1000.0, -6.0, 0.5);
    const program_result our_run = run_program(qvxhost() + " decode " + dir.path("tone.dff") + " -o " +
                                                dir.path("ours.f32") + " --max-rate 1000000",
                                            dir);
    ASSERT_EQ(our_run.exit_code, 0) << our_run.err;
    const program_result their_run = run_program("/usr/bin/ffmpeg -v error -i " + dir.path("tone.dff") + " -f f32le -y " +
                                                  dir.path("theirs.f32"),
                                              dir);
    ASSERT_EQ(their_run.exit_code, 0) << their_run.err;
    const std::vector<float> a = read_f32(dir.path("ours.f32"));
    const std::vector<float> b = read_f32(dir.path("theirs.f32"));
    ASSERT_GT(std::min(a.size(), b.size()), 2u * 20000);

    // The two decoders' filters treat the ultrasonic noise of DSD
    // differently and ffmpeg's has unity gain; in the audio band they must
    // agree. Compare both through one 20 kHz low-pass, at the lag and gain
    // that fit best, after the first samples (the idle patterns differ).
    const std::vector<double> ours = lowpass_left(a), reference = lowpass_left(b);
    const std::size_t first = 2000, count = 60000;
    ASSERT_GT(std::min(ours.size(), reference.size()), first + count + 64);
    double best_difference = 1e300, best_gain = 0, peak = 0;
    int best_lag = 0;
    for (int lag = -32; lag <= 32; ++lag) {
        double xy = 0, yy = 0;
        for (std::size_t i = first; i < first + count; ++i) {
            const double y = reference[static_cast<std::size_t>(static_cast<long>(i) + lag)];
            xy += ours[i] * y;
            yy += y * y;
        }
        const double gain = xy / yy;
        double difference = 0;
        for (std::size_t i = first; i < first + count; ++i)
            difference = std::max(difference, std::abs(ours[i] - gain * reference[static_cast<std::size_t>(static_cast<long>(i) + lag)]));
        if (difference < best_difference) {
            best_difference = difference;
            best_gain = gain;
            best_lag = lag;
        }
    }
    for (std::size_t i = first; i < first + count; ++i) peak = std::max(peak, std::abs(ours[i]));
    const double difference_db = 20 * std::log10(best_difference / peak);
    RecordProperty("ffmpeg_lag", best_lag);
    RecordProperty("ffmpeg_max_difference_db", std::to_string(difference_db));
    std::printf("ffmpeg comparison below 20 kHz: lag %d samples, gain ratio %.5f, largest difference %.1f dB below peak\n",
                best_lag, best_gain, difference_db);
    EXPECT_NEAR(best_gain, 1.99392, 0.01) << "ffmpeg's filter has unity gain at 0 Hz";
    EXPECT_LT(difference_db, -100.0);
}
