#include "dsd2pcm/fir_plane_tables.h"

#include "dsd2pcm/fir_fixed_point.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

std::unique_ptr<fir_plane_tables> build_fir_plane_tables(std::span<const float> byte_tables,
                                                         std::span<const std::uint8_t, 256> bit_reverse)
{
    if (byte_tables.size() != 8 * 256) return nullptr;
    auto tables = std::make_unique<fir_plane_tables>();
    std::int64_t magnitude_sum = 0;
    for (int slot = 0; slot < fir_slot_count; ++slot) {
        const std::size_t table = static_cast<std::size_t>(slot < 8 ? 7 - slot : slot - 8);
        const auto entry = [&](unsigned v) {
            return byte_tables[table * 256 + (slot < 8 ? bit_reverse[v] : v)];
        };
        const fir_plane_range range = fir_slot_planes(slot);
        const std::int64_t step = std::int64_t{1} << (8 * range.lowest);
        const std::int64_t bias = std::int64_t{1} << (8 * range.count - 1);
        std::int64_t largest = 0;
        for (unsigned v = 0; v < 256; ++v) {
            std::int64_t fixed = 0, mirrored = 0;
            if (!to_fir_fixed_point(entry(v), fixed) || !to_fir_fixed_point(entry(255 - v), mirrored)) return nullptr;
            if (mirrored != -fixed || fixed % step != 0) return nullptr;
            const std::int64_t scaled = fixed / step;
            if (scaled <= -bias || scaled >= bias) return nullptr;
            largest = std::max(largest, fixed < 0 ? -fixed : fixed);
            if (v >= 128) continue;
            const std::uint64_t biased = static_cast<std::uint64_t>(scaled + bias);
            for (int b = 0; b < range.count; ++b) {
                tables->planes[slot][range.lowest + b][v] = static_cast<std::uint8_t>(biased >> (8 * b));
            }
        }
        magnitude_sum += largest;
    }
    if (magnitude_sum >= (std::int64_t{1} << 46)) return nullptr;
    return tables;
}
