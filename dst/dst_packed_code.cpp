#include "dst/dst_packed_code.h"

#include <algorithm>

void dst_packed_code::create(const dst_geometry& g)
{
    // One decoding step per bit of the frame plus the discarded first bit, at most 8 code
    // bits each, after the 13 bits of the restart; 16 more bytes for reads of a byte pair or
    // of 8 bytes from a position up to 7 bits beyond that.
    const std::int64_t steps = static_cast<std::int64_t>(g.channel_count) * g.bits_per_channel + 1;
    const std::int64_t readable_bits = 13 + 8 * steps;
    const std::int64_t code_bits = std::max<std::int64_t>(readable_bits, g.max_adata_bits);
    bytes_.assign(static_cast<std::size_t>((code_bits + 7) / 8 + 16), 0);
    length_ = 0;
    dirty_bytes_ = 0;
}

void dst_packed_code::release()
{
    std::vector<std::uint8_t>().swap(bytes_);
    length_ = 0;
    dirty_bytes_ = 0;
}

void dst_packed_code::load(std::span<const std::uint8_t> frame, std::int64_t start, std::int64_t length)
{
    std::fill_n(bytes_.begin(), dirty_bytes_, std::uint8_t{0});
    length_ = std::max<std::int64_t>(length, 0);
    const auto count = static_cast<std::size_t>((length_ + 7) / 8);
    const auto first = static_cast<std::size_t>(start >> 3);
    const unsigned shift = static_cast<unsigned>(start & 7);
    for (std::size_t m = 0; m < count; ++m) {
        const unsigned high = frame[first + m];
        const unsigned low = first + m + 1 < frame.size() ? frame[first + m + 1] : 0u;
        bytes_[m] = static_cast<std::uint8_t>(((high << 8 | low) << shift) >> 8);
    }
    if (const auto tail = static_cast<unsigned>(length_ & 7); tail != 0)
        bytes_[count - 1] &= static_cast<std::uint8_t>(0xFFu << (8 - tail));
    dirty_bytes_ = count;
}
