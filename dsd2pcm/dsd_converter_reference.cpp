// The conversion exactly as the ring algorithm reads, one byte per step. Kept
// as the measure for the block form in dsd_converter.cpp and the vector forms
// in fir_avx2.cpp and fir_avx512.cpp.
#include "dsd2pcm/dsd_converter.h"

void dsd_converter::convert_reference(const std::uint8_t* input, std::ptrdiff_t input_stride, float* output,
                                      std::ptrdiff_t output_stride, std::int32_t count)
{
    for (std::int32_t step = 0; step < count; ++step) {
        const std::int32_t p = ring_position;
        // The byte in slot p crosses to the older side, where it is read reversed.
        ring[static_cast<std::size_t>(p)] = bit_reverse[static_cast<std::size_t>(ring[static_cast<std::size_t>(p)])];
        // The new byte replaces the oldest of the window.
        ring[static_cast<std::size_t>((p + half_length) & ring_mask)] = *input;
        const std::int32_t q = (p + 1) & ring_mask;
        double sum = 0.0;
        for (std::int32_t i = 0; i < half_length; ++i) {
            const float* table = byte_tables.data() + i * 256;
            const float newer = table[ring[static_cast<std::size_t>((q + i) & ring_mask)]];
            const float older = table[ring[static_cast<std::size_t>((p - i) & ring_mask)]];
            sum += static_cast<double>(newer) + static_cast<double>(older);
        }
        ring_position = q;
        *output = static_cast<float>(sum);
        input += input_stride;
        output += output_stride;
    }
}
