// Four-byte chunk identifiers, compared as raw bytes.
#pragma once

#include <array>

namespace iff_stream {

using chunk_id = std::array<char, 4>;

// "FS  " and the like: short names are given padded with spaces.
consteval chunk_id make_id(const char (&text)[5]) { return {text[0], text[1], text[2], text[3]}; }

inline constexpr chunk_id id_none{0, 0, 0, 0};

} // namespace iff_stream
