#include "dst_bit_writer.h"

dst_bit_writer& dst_bit_writer::bits(std::uint64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        if (bit_count_ % 8 == 0)
            bytes_.push_back(0);
        if ((value >> i) & 1u)
            bytes_.back() |= static_cast<std::uint8_t>(0x80u >> (bit_count_ % 8));
        ++bit_count_;
    }
    return *this;
}

dst_bit_writer& dst_bit_writer::zeros(std::int64_t count)
{
    for (std::int64_t i = 0; i < count; ++i)
        bits(0, 1);
    return *this;
}

dst_bit_writer& dst_bit_writer::rice(std::int64_t value, int m)
{
    const std::uint64_t magnitude = static_cast<std::uint64_t>(value < 0 ? -value : value);
    zeros(static_cast<std::int64_t>(magnitude >> m));
    bit(1);
    bits(magnitude, m);
    if (value != 0)
        bit(value < 0 ? 1 : 0);
    return *this;
}

dst_bit_writer& dst_bit_writer::bit_array(const std::vector<std::uint8_t>& values)
{
    for (std::uint8_t v : values)
        bit(v);
    return *this;
}
