#include "qvxhost/converter/level_control.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {
constexpr std::uint64_t dither_seed = 0x9E3779B97F4A7C15u;
}

level_control::level_control(double gain_db, int bits)
    : gain_db_(gain_db), factor_(std::pow(10.0, gain_db / 20.0)), bits_(bits),
      scale_(bits > 0 ? std::ldexp(1.0, bits - 1) : 1.0), highest_(scale_ - 1.0), state_(dither_seed)
{
    if (bits != 0 && bits != 16 && bits != 24) throw std::invalid_argument("Integer output has 16 or 24 bits");
    if (gain_db == 0.0) factor_ = 1.0;  // exactly: float output stays bit for bit what was decoded
}

double level_control::next_uniform() noexcept
{
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    // The top 53 bits of the scrambled state: every double in [0, 1) on a 2^-53 grid.
    return static_cast<double>((state_ * 0x2545F4914F6CDD1Du) >> 11) * 0x1p-53;
}

void level_control::scale(std::span<const float> in, std::span<float> out) const
{
    for (std::size_t i = 0; i < in.size(); ++i) out[i] = static_cast<float>(in[i] * factor_);
}

void level_control::quantize(std::span<const float> in, std::span<std::int32_t> out)
{
    const int shift = 32 - bits_;
    const double lowest = -scale_;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const double value = static_cast<double>(in[i]) * factor_ * scale_;
        // Triangular dither of one step peak: the sum of two uniform values.
        const double dither = next_uniform() + next_uniform() - 1.0;
        double step;
        if (value < highest_ + 0.5 && value >= lowest - 0.5) {
            peak_ = std::max(peak_, std::abs(value) / scale_);
            step = std::clamp(static_cast<double>(std::lrint(value + dither)), lowest, highest_);
        } else {
            // Beyond what rounds to a step of the depth (or not a number at all).
            ++clipped_;
            if (!std::isnan(value)) peak_ = std::max(peak_, std::abs(value) / scale_);
            step = std::isnan(value) ? 0.0 : (value > 0 ? highest_ : lowest);
        }
        // Shifted as unsigned: the top `bits` bits carry the step, two's complement.
        out[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(step)) << shift);
    }
}

std::string clipping_hint(const level_control& levels)
{
    // Whole decibels below the peak, plus what was already applied.
    const double needed = std::floor(levels.gain_db() - 20.0 * std::log10(std::max(levels.peak(), 1.0)));
    const double suggested = std::min(needed, levels.gain_db() - 1.0);
    char gain[32];
    std::snprintf(gain, sizeof gain, "%g", suggested);
    return std::to_string(levels.clipped()) + " samples clipped; --gain " + gain + " avoids it";
}
