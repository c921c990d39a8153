// Four-byte chunk identifiers, compared as raw bytes.
#pragma once

#include <array>
#include <cstdint>

namespace iff_stream {

using chunk_id = std::array<char, 4>;

// "FS  " and the like: short names are given padded with spaces.
consteval chunk_id make_id(const char (&text)[5]) { return {text[0], text[1], text[2], text[3]}; }

inline constexpr chunk_id id_none{0, 0, 0, 0};

// The identifier stored in the four bytes at `raw`.
constexpr chunk_id id_at(const std::uint8_t* raw)
{
    return {static_cast<char>(raw[0]), static_cast<char>(raw[1]), static_cast<char>(raw[2]), static_cast<char>(raw[3])};
}

} // namespace iff_stream
