// Fixed-width fields: DSDIFF is big-endian throughout, DSF little-endian.
#pragma once

#include <cstdint>
#include <vector>

inline std::uint16_t read_be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

inline std::uint32_t read_be32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

inline std::uint64_t read_be64(const std::uint8_t* p)
{
    return std::uint64_t{read_be32(p)} << 32 | read_be32(p + 4);
}

// Appends the `width` low bytes of `value`, most significant first.
inline void put_be(std::vector<std::uint8_t>& out, std::uint64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Appends the `width` low bytes of `value`, least significant first.
inline void put_le(std::vector<std::uint8_t>& out, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
