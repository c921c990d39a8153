#include "dst_encoder/arith_encoder.h"

#include <stdexcept>

namespace dst_encoder {

void arith_encoder::carry()
{
    // The interval never leaves [0, 1) of the code value, so a carry always
    // stops before the leading 0 at index 0.
    std::size_t i = bits_.size() - 1;
    while (bits_[i] == 1) bits_[i--] = 0;
    bits_[i] = 1;
}

void arith_encoder::encode(int bit, int p)
{
    const std::uint32_t q = static_cast<std::uint32_t>(p) * ((range_ >> 8) | ((range_ >> 7) & 1U));
    const std::uint32_t h = range_ - q;
    if (bit != 0) {
        low_ += h;
        range_ = q;
        if (low_ >= 4096) {
            low_ -= 4096;
            carry();
        }
    } else {
        range_ = h;
    }
    while (range_ < 2048) {
        range_ <<= 1;
        low_ <<= 1;
        bits_.push_back(static_cast<std::uint8_t>(low_ >> 12));
        low_ &= 0xFFF;
    }
}

std::vector<std::uint8_t> arith_encoder::finish()
{
    // Any value in [low, low + range) decodes the same; take the one with the
    // most trailing zero bits so that the code can be cut short.
    std::uint32_t value = low_;
    for (int t = 13; t >= 0; --t) {
        const std::uint32_t step = 1U << t;
        const std::uint32_t candidate = (low_ + step - 1) / step * step;
        if (candidate < low_ + range_) {
            value = candidate;
            break;
        }
    }
    if (value >= 4096) {
        value -= 4096;
        carry();
    }
    for (int i = 11; i >= 0; --i) bits_.push_back(static_cast<std::uint8_t>((value >> i) & 1U));
    while (!bits_.empty() && bits_.back() == 0) bits_.pop_back();

    std::vector<std::uint8_t> out = std::move(bits_);
    bits_.assign(1, 0);
    low_ = 0;
    range_ = 4095;
    return out;
}

} // namespace dst_encoder
