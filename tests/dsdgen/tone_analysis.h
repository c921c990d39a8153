// Measures a tone in PCM: a Kaiser-windowed (β = 20, side lobes below −190 dB)
// power spectrum, so that the strong out-of-band noise of a 1-bit signal does
// not leak into the audio band.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <vector>

namespace tone_analysis {

struct measurement {
    double amplitude; // peak, from a correlation at exactly the nominal frequency
    double frequency; // power-weighted centre of the tone's spectral peak
    double snr_db;    // tone power over all other power between low and high
};

inline double bessel_i0(double x)
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 500 && term > sum * 1e-18; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// In-place radix-2 FFT; size a power of two.
inline void fft(std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(length);
        for (std::size_t k = 0; k < length / 2; ++k) {
            const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
            for (std::size_t i = k; i < n; i += length) {
                const std::complex<double> u = a[i], v = a[i + length / 2] * w;
                a[i] = u + v;
                a[i + length / 2] = u - v;
            }
        }
    }
}

inline measurement measure(const std::vector<float>& samples, double rate, double frequency, double low, double high)
{
    const std::size_t n = samples.size();
    constexpr double beta = 20.0;
    constexpr long tone_halfwidth = 12; // bins; the main lobe is about ±6.5 bins wide
    std::vector<std::complex<double>> spectrum(n);
    std::complex<double> correlation = 0.0;
    double window_sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double r = 2.0 * static_cast<double>(i) / static_cast<double>(n - 1) - 1.0;
        const double w = bessel_i0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / bessel_i0(beta);
        window_sum += w;
        spectrum[i] = w * samples[i];
        correlation += spectrum[i] * std::polar(1.0, -2.0 * std::numbers::pi * frequency * static_cast<double>(i) / rate);
    }
    fft(spectrum);
    const double bin = rate / static_cast<double>(n);
    const long tone_bin = std::lround(frequency / bin);
    double tone_power = 0.0, moment = 0.0, other_power = 0.0;
    for (long k = 1; k < static_cast<long>(n / 2); ++k) {
        const double power = std::norm(spectrum[static_cast<std::size_t>(k)]);
        if (std::labs(k - tone_bin) <= tone_halfwidth) {
            tone_power += power;
            moment += power * static_cast<double>(k);
        } else if (k * bin >= low && k * bin <= high) {
            other_power += power;
        }
    }
    return {2.0 * std::abs(correlation) / window_sum, moment / tone_power * bin,
            10.0 * std::log10(tone_power / other_power)};
}

// RMS of the part of `samples` between low and high (Hz), from the same
// windowed spectrum; the sample count must be a power of two.
inline double band_rms(const std::vector<float>& samples, double rate, double low, double high)
{
    const std::size_t n = samples.size();
    std::vector<std::complex<double>> spectrum(n);
    double window_power = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double r = 2.0 * static_cast<double>(i) / static_cast<double>(n - 1) - 1.0;
        const double w = bessel_i0(20.0 * std::sqrt(std::max(0.0, 1.0 - r * r))) / bessel_i0(20.0);
        window_power += w * w;
        spectrum[i] = w * samples[i];
    }
    fft(spectrum);
    const double bin = rate / static_cast<double>(n);
    double power = 0.0;
    for (std::size_t k = 1; k < n / 2; ++k) {
        if (static_cast<double>(k) * bin >= low && static_cast<double>(k) * bin <= high) power += std::norm(spectrum[k]);
    }
    // Both halves of the spectrum, and Parseval's N.
    return std::sqrt(2.0 * power / (static_cast<double>(n) * window_power));
}

} // namespace tone_analysis
