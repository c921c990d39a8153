#include "dst/dst_bit_reader.h"

#include <stdexcept>

void dst_bit_reader::load_frame(std::span<const std::uint8_t> frame)
{
    frame_copy_.assign(frame.begin(), frame.end());
    byte_pos_ = 0;
    bits_consumed_ = 0;
    bit_index_ = -1;
    current_byte_ = 0;
}

void dst_bit_reader::release()
{
    std::vector<std::uint8_t>().swap(frame_copy_);
    byte_pos_ = 0;
    bits_consumed_ = 0;
    bit_index_ = -1;
    current_byte_ = 0;
}

std::uint32_t dst_bit_reader::next_bit()
{
    if (bit_index_ < 0) {
        const bool inside = byte_pos_ < static_cast<std::int64_t>(frame_copy_.size());
        current_byte_ = inside ? frame_copy_[static_cast<std::size_t>(byte_pos_)] : 0;
        ++byte_pos_;
        bit_index_ = 7;
    }
    return (current_byte_ >> bit_index_--) & 1u;
}

std::uint32_t dst_bit_reader::read_bits(int n)
{
    if (n < 0)
        throw std::runtime_error("a negative number of bits allocated");
    if (n > 32)
        throw std::invalid_argument("dst_bit_reader::read_bits: more than 32 bits requested");
    bits_consumed_ += n;
    std::uint32_t value = 0;
    for (int i = 0; i < n; ++i)
        value = (value << 1) | next_bit();
    return value;
}

void dst_bit_reader::read_bit_array(std::int64_t n, std::uint8_t* dest)
{
    if (n <= 0)
        return;
    bits_consumed_ += n;
    for (std::int64_t i = 0; i < n; ++i)
        dest[i] = static_cast<std::uint8_t>(next_bit());
}

int bit_length(std::int64_t v)
{
    int digits = 0;
    for (; v >= 1; v >>= 1)
        ++digits;
    return digits;
}
