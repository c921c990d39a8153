#include "dsd2pcm/fir_tables.h"

#include "dsd2pcm/fir_coefficients.h"

#include <array>
#include <cstddef>
#include <memory>

void build_byte_tables(std::span<float> tables)
{
    const std::size_t half_length = tables.size() / 256;
    // 2 KiB of accumulators: on the heap, the table build may run on a small stack.
    auto accumulators = std::make_unique<std::array<double, 256>>();
    for (std::size_t i = 0; i < half_length; ++i) {
        accumulators->fill(0.0);
        for (std::size_t j = 0; j < 8; ++j) {
            const unsigned mask = 0x80u >> j;
            const double coefficient = fir_coefficients[8 * i + j];
            for (unsigned v = 0; v < 256; ++v) {
                if ((v & mask) != 0) (*accumulators)[v] += coefficient;
                else (*accumulators)[v] -= coefficient;
            }
        }
        for (std::size_t v = 0; v < 256; ++v) tables[i * 256 + v] = static_cast<float>((*accumulators)[v]);
    }
}

void build_bit_reverse(std::span<std::uint8_t, 256> table)
{
    for (unsigned v = 0; v < 256; ++v) {
        unsigned reversed = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((v & (1u << bit)) != 0) reversed |= 0x80u >> bit;
        }
        table[v] = static_cast<std::uint8_t>(reversed);
    }
}
