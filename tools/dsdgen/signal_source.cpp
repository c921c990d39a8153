#include "signal_source.h"

#include "butterworth.h"

#include <cmath>
#include <numbers>

namespace dsdgen {

namespace {

// Phasors advance by complex multiplication; every so many samples they are
// recomputed from the sample position, before rounding errors could build up.
constexpr std::int64_t resync_interval = 4096;

std::uint64_t splitmix64(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t rotate_left(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

} // namespace

double amplitude_of(double level_db) { return std::pow(10.0, level_db / 20.0); }

signal_source::signal_source(const channel_signal& signal, double rate) : sample_rate(rate)
{
    for (const tone& t : signal.tones) {
        oscillators.push_back({t.frequency, amplitude_of(t.level_db), 1.0,
                               std::polar(1.0, 2.0 * std::numbers::pi * t.frequency / sample_rate)});
    }
    resync_oscillators();

    if (signal.band_noise) {
        has_noise = true;
        std::uint64_t seed = signal.band_noise->seed;
        for (auto& word : random_state) word = splitmix64(seed);
        // 4th-order Butterworth low pass: two sections, each with a double zero at z = −1.
        const auto poles = butterworth_poles(4, 2.0 * std::numbers::pi * noise_bandwidth / sample_rate);
        std::size_t section = 0;
        for (const auto& pole : poles) {
            if (pole.imag() <= 0.0) continue;
            const double a1 = -2.0 * pole.real(), a2 = std::norm(pole);
            const double gain = (1.0 + a1 + a2) / 4.0; // unity at 0 Hz
            noise_filter[section++] = biquad{gain, 2.0 * gain, gain, a1, a2};
        }
        // Unit-variance white noise leaves the filter with variance Σh²; scale to the RMS asked for.
        auto probe = noise_filter;
        double power = 0.0;
        for (int n = 0; n < (1 << 16); ++n) {
            double y = n == 0 ? 1.0 : 0.0;
            for (auto& s : probe) y = s.run(y);
            power += y * y;
        }
        noise_scale = amplitude_of(signal.band_noise->level_db) / std::numbers::sqrt2 / std::sqrt(power);
    }
}

void signal_source::resync_oscillators()
{
    for (oscillator& o : oscillators) {
        // fmod keeps the phase argument small and exact for integer frequencies.
        const double cycles = std::fmod(o.frequency * static_cast<double>(position), sample_rate) / sample_rate;
        o.phasor = std::polar(1.0, 2.0 * std::numbers::pi * cycles);
    }
}

// xoshiro256**: fast, and the same sequence on every platform.
std::uint64_t signal_source::random_bits()
{
    auto& s = random_state;
    const std::uint64_t result = rotate_left(s[1] * 5, 7) * 9;
    const std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotate_left(s[3], 45);
    return result;
}

// Uniform with unit variance. Only its low-passed sum reaches the output,
// which is Gaussian to a close approximation (central limit), and one uniform
// costs far less than a Gaussian draw at millions of samples per second.
double signal_source::white_noise()
{
    return (static_cast<double>(random_bits() >> 11) * 0x1.0p-53 * 2.0 - 1.0) * std::numbers::sqrt3;
}

double signal_source::next()
{
    if (position % resync_interval == 0) resync_oscillators();
    double value = 0.0;
    for (oscillator& o : oscillators) {
        value += o.amplitude * o.phasor.imag();
        // Written out: the library's complex product also handles infinities, at a price.
        const double re = o.phasor.real() * o.rotation.real() - o.phasor.imag() * o.rotation.imag();
        const double im = o.phasor.real() * o.rotation.imag() + o.phasor.imag() * o.rotation.real();
        o.phasor = {re, im};
    }
    if (has_noise) {
        double n = white_noise();
        for (auto& s : noise_filter) n = s.run(n);
        value += noise_scale * n;
    }
    ++position;
    if (value > input_ceiling) return input_ceiling;
    if (value < -input_ceiling) return -input_ceiling;
    return value;
}

} // namespace dsdgen
