// Binary arithmetic encoder whose output the DST frame decoder reads back:
// 12-bit range in 2048..4095, sub-range of a 1 of size
// p * ((range >> 8) | ((range >> 7) & 1)) placed above the sub-range of a 0.
#pragma once

#include <cstdint>
#include <vector>

namespace dst_encoder {

class arith_encoder {
public:
    // Codes `bit` (0 or 1) where p/256 (p in 1..128) is the probability of a 1.
    void encode(int bit, int p);
    // Ends the code and returns it one bit per byte: the leading 0 the decoder
    // expects, then the code. Trailing zeros are dropped, since the decoder reads
    // zeros past the end; what remains is never longer than the bits the decoder
    // shifts in, so it accepts the end of the code. The encoder is then reset.
    std::vector<std::uint8_t> finish();

private:
    void carry();

    std::uint32_t low_ = 0;     // low end of the interval, the 12 bits not yet emitted
    std::uint32_t range_ = 4095;
    std::vector<std::uint8_t> bits_{0};
};

} // namespace dst_encoder
