// Power spectrum of a real signal by radix-2 FFT, for level and noise
// measurements over whole bins.
#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

// Kaiser window of `n` points. With beta 20 its sidelobes lie near −190 dB,
// so the strong ultrasonic noise of DSD cannot leak into the audio band; a
// tone spreads over about ±8 bins.
inline std::vector<double> kaiser_window(std::size_t n, double beta)
{
    const auto bessel_i0 = [](double x) {
        double sum = 1, term = 1;
        for (int k = 1; k < 200 && term > 1e-20 * sum; ++k) {
            term *= (x / (2 * k)) * (x / (2 * k));
            sum += term;
        }
        return sum;
    };
    std::vector<double> w(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double r = 2.0 * static_cast<double>(i) / static_cast<double>(n - 1) - 1.0;
        w[i] = bessel_i0(beta * std::sqrt(1 - r * r)) / bessel_i0(beta);
    }
    return w;
}

// |X[k]|² for k = 0 … n/2 of `x` (size a power of two) times `window`.
inline std::vector<double> power_spectrum(const std::vector<double>& x, const std::vector<double>& window)
{
    const std::size_t n = x.size();
    std::vector<std::complex<double>> a(n);
    for (std::size_t i = 0; i < n; ++i) a[i] = x[i] * window[i];
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * std::numbers::pi / static_cast<double>(len);
        for (std::size_t i = 0; i < n; i += len)
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
    }
    std::vector<double> power(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) power[k] = std::norm(a[k]);
    return power;
}
