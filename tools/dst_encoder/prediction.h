// Prediction filters: estimated from a channel's ±1 signal, quantised to the
// 9-bit coefficients of a frame, and run the way the decoder runs them
// (coefficient k weighs the bit k + 1 steps back; before the frame's first bit
// the decoder assumes the past -1, +1, -1, +1, ... counted backwards).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace dst_encoder {

inline constexpr int max_filter_order = 128;

// One channel's DSD bits of a frame, with the assumed history in front.
class channel_bits {
public:
    channel_bits(std::span<const std::uint8_t> interleaved, int channel_count, int channel, int bytes_per_channel);

    int size() const { return size_; }
    // Bit j as 0 or 1 (1 stands for +1); j runs from -128 to size() - 1.
    int bit(int j) const { return bits_[static_cast<std::size_t>(j + max_filter_order)]; }
    // The 64 bits j .. j + 63 (bit j lowest), zero past the end.
    std::uint64_t word_at(int j) const
    {
        const auto pos = static_cast<std::size_t>(j + max_filter_order);
        const std::size_t w = pos / 64;
        const unsigned off = pos % 64;
        return off == 0 ? words_[w] : (words_[w] >> off) | (words_[w + 1] << (64 - off));
    }

private:
    int size_;
    std::vector<std::uint8_t> bits_;   // one per byte, from j = -128
    std::vector<std::uint64_t> words_; // the same bits packed, lowest first, one zero word at the end
};

// Adds the autocorrelation of bits [begin, end) against their own past,
// lags 0..r.size() - 1, to r. The past reaches back into the assumed history.
void add_autocorrelation(const channel_bits& bits, int begin, int end, std::span<double> r);

// Filter of r.size() - 1 coefficients from an autocorrelation: least-squares
// prediction (Levinson-Durbin), scaled so that the largest coefficient uses
// the 9-bit range, rounded. An order the recursion cannot reach gets zeros.
std::vector<int> estimate_filter(std::span<const double> r);

// Predictions of bits [begin, end) with filter `coef`, in the decoder's
// 32-bit arithmetic; written to out[begin .. end - 1].
void predict(const channel_bits& bits, int begin, int end, std::span<const int> coef, std::span<std::int32_t> out);
// The same, one multiply per coefficient and bit: the reference form.
void predict_reference(const channel_bits& bits, int begin, int end, std::span<const int> coef,
                       std::span<std::int32_t> out);

} // namespace dst_encoder
