// A frame's arithmetic code packed eight bits to a byte (first bit most significant),
// followed by enough zero bytes that the decoder can read on past the code's end
// without checks: each decoding step shifts in at most 8 bits, so a frame of n steps
// reads at most 13 + 8 × n bits, and may load 8 bytes from up to 7 bits past that.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "dst/dst_geometry.h"

class dst_packed_code {
public:
    void create(const dst_geometry& g);
    void release();

    // Takes `length` bits of `frame` starting at bit `start`; length may be 0 or negative (empty).
    // start + length must not exceed the frame.
    void load(std::span<const std::uint8_t> frame, std::int64_t start, std::int64_t length);

    const std::uint8_t* bytes() const { return bytes_.data(); }
    std::int64_t length() const { return length_; }
    // Bit at position pos, 0 at or beyond the end of the code.
    std::uint32_t bit(std::int64_t pos) const
    {
        return pos >= 0 && pos < length_ ? (bytes_[static_cast<std::size_t>(pos >> 3)] >> (7 - (pos & 7))) & 1u : 0u;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t length_ = 0;
    std::size_t dirty_bytes_ = 0;  // bytes written by the last load; the rest stay zero
};
