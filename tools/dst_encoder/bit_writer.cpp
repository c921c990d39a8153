#include "dst_encoder/bit_writer.h"

#include <stdexcept>

namespace dst_encoder {

void bit_writer::write(std::uint32_t value, int count)
{
    if (count < 0 || count > 32) throw std::invalid_argument("bit_writer: field width out of range");
    for (int i = count - 1; i >= 0; --i) {
        if (bit_count_ % 8 == 0) bytes_.push_back(0);
        if ((value >> i) & 1U) bytes_.back() |= static_cast<std::uint8_t>(0x80U >> (bit_count_ % 8));
        ++bit_count_;
    }
}

void bit_writer::write_bit_array(std::span<const std::uint8_t> bits)
{
    for (std::uint8_t bit : bits) write_bit(bit);
}

} // namespace dst_encoder
