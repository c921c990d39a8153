#include "dst_encoder/prediction.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <stdexcept>

namespace dst_encoder {

channel_bits::channel_bits(std::span<const std::uint8_t> interleaved, int channel_count, int channel,
                           int bytes_per_channel)
    : size_(8 * bytes_per_channel),
      bits_(static_cast<std::size_t>(size_ + max_filter_order)),
      words_((bits_.size() + 63) / 64 + 1, 0)
{
    // The bit m + 1 steps before the frame is -1 for even m, +1 for odd m.
    for (int m = 0; m < max_filter_order; ++m) bits_[static_cast<std::size_t>(max_filter_order - 1 - m)] = m % 2;
    for (int k = 0; k < bytes_per_channel; ++k) {
        const std::uint8_t byte = interleaved[static_cast<std::size_t>(k) * channel_count + channel];
        for (int b = 0; b < 8; ++b)
            bits_[static_cast<std::size_t>(max_filter_order + 8 * k + b)] = static_cast<std::uint8_t>((byte >> (7 - b)) & 1);
    }
    for (std::size_t i = 0; i < bits_.size(); ++i)
        if (bits_[i]) words_[i / 64] |= std::uint64_t{1} << (i % 64);
}

void add_autocorrelation(const channel_bits& bits, int begin, int end, std::span<double> r)
{
    // For ±1 values the product sum is (agreements - disagreements).
    for (std::size_t lag = 0; lag < r.size(); ++lag) {
        long disagree = 0;
        for (int j = begin; j < end; j += 64) {
            std::uint64_t x = bits.word_at(j) ^ bits.word_at(j - static_cast<int>(lag));
            if (end - j < 64) x &= (std::uint64_t{1} << (end - j)) - 1;
            disagree += std::popcount(x);
        }
        r[lag] += static_cast<double>(end - begin - 2 * disagree);
    }
}

std::vector<int> estimate_filter(std::span<const double> r_in)
{
    const std::size_t order = r_in.size() - 1;
    std::vector<int> coef(order, 0);
    if (order == 0 || r_in[0] <= 0) return coef;

    // A little added white noise keeps the recursion stable on short or tonal data.
    std::vector<double> r(r_in.begin(), r_in.end());
    r[0] *= 1.0 + 1e-5;
    std::vector<double> a(order + 1, 0.0), prev(order + 1, 0.0);
    double error = r[0];
    for (std::size_t i = 1; i <= order; ++i) {
        double acc = r[i];
        for (std::size_t j = 1; j < i; ++j) acc -= a[j] * r[i - j];
        const double k = acc / error;
        if (!(std::fabs(k) < 1.0)) break;
        prev = a;
        a[i] = k;
        for (std::size_t j = 1; j < i; ++j) a[j] = prev[j] - k * prev[i - j];
        error *= 1.0 - k * k;
        if (error <= 0) break;
    }
    double largest = 0;
    for (std::size_t j = 1; j <= order; ++j) largest = std::max(largest, std::fabs(a[j]));
    if (largest < 1e-9) return coef;
    const double scale = 255.0 / largest;
    for (std::size_t j = 1; j <= order; ++j)
        coef[j - 1] = std::clamp(static_cast<int>(std::lround(a[j] * scale)), -256, 255);
    return coef;
}

void predict_reference(const channel_bits& bits, int begin, int end, std::span<const int> coef,
                       std::span<std::int32_t> out)
{
    for (int j = begin; j < end; ++j) {
        std::int32_t sum = 0;
        for (std::size_t k = 0; k < coef.size(); ++k)
            sum += coef[k] * (bits.bit(j - 1 - static_cast<int>(k)) ? 1 : -1);
        out[static_cast<std::size_t>(j)] = sum;
    }
}

void predict(const channel_bits& bits, int begin, int end, std::span<const int> coef, std::span<std::int32_t> out)
{
    if (coef.size() > static_cast<std::size_t>(max_filter_order)) throw std::invalid_argument("filter order above 128");
    // One table per group of 8 coefficients: the group's sum for each pattern of
    // the 8 past bits it weighs. Bit m of the history register is the bit m + 1 back.
    const std::size_t groups = (coef.size() + 7) / 8;
    std::vector<std::array<std::int32_t, 256>> table(groups);
    for (std::size_t g = 0; g < groups; ++g) {
        for (int pattern = 0; pattern < 256; ++pattern) {
            std::int32_t sum = 0;
            for (std::size_t i = 0; i < 8 && 8 * g + i < coef.size(); ++i)
                sum += coef[8 * g + i] * (((pattern >> i) & 1) ? 1 : -1);
            table[g][static_cast<std::size_t>(pattern)] = sum;
        }
    }
    // History register: low word holds bits 1..64 back, high word 65..128 back.
    std::uint64_t low = 0, high = 0;
    for (int m = 0; m < 64; ++m) {
        low |= static_cast<std::uint64_t>(bits.bit(begin - 1 - m)) << m;
        high |= static_cast<std::uint64_t>(bits.bit(begin - 65 - m)) << m;
    }
    for (int j = begin; j < end; ++j) {
        std::int32_t sum = 0;
        for (std::size_t g = 0; g < groups && g < 8; ++g) sum += table[g][(low >> (8 * g)) & 0xFF];
        for (std::size_t g = 8; g < groups; ++g) sum += table[g][(high >> (8 * (g - 8))) & 0xFF];
        out[static_cast<std::size_t>(j)] = sum;
        high = (high << 1) | (low >> 63);
        low = (low << 1) | static_cast<std::uint64_t>(bits.bit(j));
    }
}

} // namespace dst_encoder
