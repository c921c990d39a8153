#include "qvxhost/player/config_record.h"

#include <algorithm>

namespace {
void put_le(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t get_le(std::span<const std::uint8_t> in, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | in[static_cast<std::size_t>(i)];
    return value;
}
} // namespace

std::array<std::uint8_t, 16> guid_bytes(const guid& id)
{
    std::vector<std::uint8_t> out;
    put_le(out, id.data1, 4);
    put_le(out, id.data2, 2);
    put_le(out, id.data3, 2);
    out.insert(out.end(), id.data4, id.data4 + 8);
    std::array<std::uint8_t, 16> result{};
    std::copy(out.begin(), out.end(), result.begin());
    return result;
}

void append_config_record(std::vector<std::uint8_t>& stream, const guid& id, std::span<const std::uint8_t> value)
{
    const auto head = guid_bytes(id);
    stream.insert(stream.end(), head.begin(), head.end());
    put_le(stream, static_cast<std::uint32_t>(value.size()), 4);
    stream.insert(stream.end(), value.begin(), value.end());
}

std::vector<std::uint8_t> max_rate_record(std::int32_t rate)
{
    std::vector<std::uint8_t> value;
    put_le(value, static_cast<std::uint32_t>(rate), 4);
    std::vector<std::uint8_t> stream;
    append_config_record(stream, max_rate_setting_guid, value);
    return stream;
}

std::optional<std::vector<config_record>> parse_config_records(std::span<const std::uint8_t> stream)
{
    std::vector<config_record> records;
    while (!stream.empty()) {
        if (stream.size() < 20) return std::nullopt;
        config_record record{};
        record.id.data1 = get_le(stream.subspan(0, 4), 4);
        record.id.data2 = static_cast<std::uint16_t>(get_le(stream.subspan(4, 2), 2));
        record.id.data3 = static_cast<std::uint16_t>(get_le(stream.subspan(6, 2), 2));
        for (std::size_t i = 0; i < 8; ++i) record.id.data4[i] = stream[8 + i];
        const std::size_t length = get_le(stream.subspan(16, 4), 4);
        if (stream.size() - 20 < length) return std::nullopt;
        record.value.assign(stream.begin() + 20, stream.begin() + 20 + static_cast<std::ptrdiff_t>(length));
        records.push_back(std::move(record));
        stream = stream.subspan(20 + length);
    }
    return records;
}
