#include "preferences/cfg_var.h"

#include <cstring>

cfg_var::cfg_var(const guid& variable_guid) noexcept : id(variable_guid), next(head) { head = this; }

void cfg_int_t::read_value(stream_reader& stream, std::size_t, abort_signal& abort)
{
    // A short record throws before the value changes.
    std::uint8_t raw[4];
    stream.read_object(raw, sizeof raw, abort);
    const std::uint32_t bits = raw[0] | static_cast<std::uint32_t>(raw[1]) << 8 | static_cast<std::uint32_t>(raw[2]) << 16 |
                               static_cast<std::uint32_t>(raw[3]) << 24;
    *this = static_cast<std::int32_t>(bits);
}

void cfg_int_t::write_value(stream_writer& stream, abort_signal& abort)
{
    const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(*this));
    const std::uint8_t raw[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                 static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    stream.write(raw, sizeof raw, abort);
}

void cfg_string::read_value(stream_reader& stream, std::size_t, abort_signal& abort)
{
    text.clear();
    char block[256];
    for (;;) {
        const std::size_t got = stream.read(block, sizeof block, abort);
        const void* zero = std::memchr(block, 0, got);
        text.append(block, zero ? static_cast<const char*>(zero) - block : got);
        if (got < sizeof block) return;
    }
}

void cfg_string::write_value(stream_writer& stream, abort_signal& abort)
{
    if (!text.empty()) stream.write(text.data(), text.size(), abort);
}
