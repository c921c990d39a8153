// Configuration records as the component reads and writes them:
// 16 GUID bytes, a 4-byte little-endian length, then the value bytes.
#pragma once

#include "host/guid.h"
#include "host/settings_ids.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Data1 little-endian 32-bit, Data2 and Data3 little-endian 16-bit, then Data4 in order.
std::array<std::uint8_t, 16> guid_bytes(const guid& id);

// Appends one record to `stream`.
void append_config_record(std::vector<std::uint8_t>& stream, const guid& id, std::span<const std::uint8_t> value);

// The record that sets the maximum sample rate: 4 bytes little-endian.
std::vector<std::uint8_t> max_rate_record(std::int32_t rate);

struct config_record {
    guid id;
    std::vector<std::uint8_t> value;
};

// Splits a record stream; nullopt when it ends inside a record.
std::optional<std::vector<config_record>> parse_config_records(std::span<const std::uint8_t> stream);
