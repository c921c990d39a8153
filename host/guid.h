// Interface and class identifiers, laid out as the host stores them.
#pragma once

#include <cstdint>
#include <cstring>

struct guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];

    friend bool operator==(const guid& a, const guid& b) noexcept
    {
        return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
               std::memcmp(a.data4, b.data4, 8) == 0;
    }
};

inline constexpr guid null_guid{};

namespace guid_detail {
consteval std::uint32_t hex_digit(char c)
{
    if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
    throw "not a hexadecimal digit";
}
consteval std::uint32_t hex_value(const char* text, int digits)
{
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) value = value * 16 + hex_digit(text[i]);
    return value;
}
} // namespace guid_detail

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" at compile time, so that
// identifiers are written in code exactly as they are published.
consteval guid make_guid(const char (&text)[37])
{
    using guid_detail::hex_value;
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') throw "malformed GUID";
    guid g{};
    g.data1 = hex_value(text, 8);
    g.data2 = static_cast<std::uint16_t>(hex_value(text + 9, 4));
    g.data3 = static_cast<std::uint16_t>(hex_value(text + 14, 4));
    g.data4[0] = static_cast<std::uint8_t>(hex_value(text + 19, 2));
    g.data4[1] = static_cast<std::uint8_t>(hex_value(text + 21, 2));
    for (int i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<std::uint8_t>(hex_value(text + 24 + 2 * i, 2));
    return g;
}
