// Appends bit fields most significant bit first; the last byte is padded with zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace dst_encoder {

class bit_writer {
public:
    // Writes the `count` low bits of `value` (count 0..32), highest first.
    void write(std::uint32_t value, int count);
    void write_bit(int bit) { write(static_cast<std::uint32_t>(bit & 1), 1); }
    // Writes bits stored one per byte (0 or 1).
    void write_bit_array(std::span<const std::uint8_t> bits);

    std::size_t bit_count() const { return bit_count_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> take_bytes() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bit_count_ = 0;
};

} // namespace dst_encoder
