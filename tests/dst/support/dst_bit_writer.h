// Writes bit strings the way DST frames are read: fields in order, most significant bit
// first, bytes filled from bit 7 down. Lets a test state a frame field by field.
#pragma once

#include <cstdint>
#include <vector>

class dst_bit_writer {
public:
    // The low `width` bits of value, most significant first.
    dst_bit_writer& bits(std::uint64_t value, int width);
    dst_bit_writer& bit(unsigned value) { return bits(value, 1); }
    dst_bit_writer& zeros(std::int64_t count);
    // A 9-bit two's-complement coefficient (−256..255).
    dst_bit_writer& coef9(int value) { return bits(static_cast<std::uint64_t>(value) & 0x1FFu, 9); }
    // A Rice code with parameter m: |v| >> m zeros, a 1, the m low bits, a sign bit if v ≠ 0.
    dst_bit_writer& rice(std::int64_t value, int m);
    // One code bit per element (0 or 1).
    dst_bit_writer& bit_array(const std::vector<std::uint8_t>& values);

    std::int64_t bit_count() const { return bit_count_; }
    // The bits so far, the last byte completed with zeros.
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t bit_count_ = 0;
};
