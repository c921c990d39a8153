// The filter for x86-64 processors with AVX2: each input byte adds its row of 16 terms (see fir_row_tables.h) to
// the sums of the outputs it reaches, four outputs per vector, in exact double precision, so its results are bit
// for bit those of the reference form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct fir_row_tables;

// True when this build has the kernel and the processor (and system) can run it; decided once.
bool fir_avx2_available();

// The whole conversion of one channel: `count` bytes input[k × input_stride] in, `count` floats
// output[k × output_stride] out (k = 0 … count−1), `history` holding the 16 window bytes before the first (oldest
// first, as read) and, on return, the 16 after the last. Reads only the channel's own bytes and writes only its own
// floats. Requires fir_avx2_available() and count > 0.
void convert_avx2(const fir_row_tables& tables, std::span<std::uint8_t, 16> history, const std::uint8_t* input,
                  std::ptrdiff_t input_stride, float* output, std::ptrdiff_t output_stride, std::int32_t count);
