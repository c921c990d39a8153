#include "dsd2pcm/fir_row_tables.h"

#include "dsd2pcm/fir_fixed_point.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

std::unique_ptr<fir_row_tables> build_fir_row_tables(std::span<const float> byte_tables,
                                                     std::span<const std::uint8_t, 256> bit_reverse)
{
    if (byte_tables.size() != 8 * 256) return nullptr;
    auto tables = std::make_unique<fir_row_tables>();
    for (auto& row : tables->rows) std::fill(std::begin(row), std::end(row), 0.0);
    tables->sign_flip[0] = 0.0;
    tables->sign_flip[1] = -0.0;
    for (unsigned v = 0; v < 256; ++v) {
        tables->row_offset[v] = static_cast<std::uint16_t>((v < 128 ? v : 255 - v) * sizeof tables->rows[0]);
    }
    std::int64_t magnitude_sum = 0;
    for (int slot = 0; slot < 16; ++slot) {
        // Slots 0…7 are the older side (table 7 − slot, read bit-reversed), 8…15 the newer side (table slot − 8).
        const std::size_t table = static_cast<std::size_t>(slot < 8 ? 7 - slot : slot - 8);
        const auto entry = [&](unsigned v) { return byte_tables[table * 256 + (slot < 8 ? bit_reverse[v] : v)]; };
        std::int64_t largest = 0;
        for (unsigned v = 0; v < 256; ++v) {
            std::int64_t fixed = 0, mirrored = 0;
            if (!to_fir_fixed_point(entry(v), fixed) || !to_fir_fixed_point(entry(255 - v), mirrored)) return nullptr;
            if (mirrored != -fixed) return nullptr;
            largest = std::max(largest, fixed < 0 ? -fixed : fixed);
            if (v < 128) tables->rows[v][fir_row_lead + 15 - slot] = static_cast<double>(entry(v));
        }
        magnitude_sum += largest;
    }
    if (magnitude_sum >= (std::int64_t{1} << 53)) return nullptr;
    return tables;
}
