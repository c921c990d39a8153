#include "test_signals.h"

#include <cmath>
#include <numbers>
#include <random>

namespace dst_test {

std::vector<std::uint8_t> tone_dsd(int channel_count, int rate_factor, long bytes_per_channel, double base_hz)
{
    const auto n = static_cast<std::size_t>(channel_count);
    std::vector<std::uint8_t> out(n * static_cast<std::size_t>(bytes_per_channel), 0);
    const double rate = 44100.0 * rate_factor;
    for (std::size_t c = 0; c < n; ++c) {
        const double step = 2 * std::numbers::pi * base_hz * static_cast<double>(c + 1) / rate;
        double i1 = 0, i2 = 0, y = -1;
        for (long k = 0; k < 8 * bytes_per_channel; ++k) {
            const double x = 0.5 * std::sin(step * static_cast<double>(k));
            i1 += x - y;
            i2 += i1 - y;
            y = i2 >= 0 ? 1.0 : -1.0;
            if (y > 0) out[static_cast<std::size_t>(k / 8) * n + c] |= static_cast<std::uint8_t>(0x80 >> (k % 8));
        }
    }
    return out;
}

std::vector<std::uint8_t> noise_dsd(std::size_t bytes, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::vector<std::uint8_t> out(bytes);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

} // namespace dst_test
