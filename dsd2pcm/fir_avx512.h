// The filter for x86-64 processors with AVX-512 VBMI: 64 outputs of a channel at a time, the 16 terms of each
// summed exactly as integers from byte-plane tables looked up in registers (see fir_plane_tables.h), so its
// results are bit for bit those of the reference form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct fir_plane_tables;

// True when this build has the kernel and the processor (and system) can run it; decided once.
bool fir_avx512_available();

// The whole conversion of one channel: `count` bytes input[k × input_stride] in, `count` floats
// output[k × output_stride] out (k = 0 … count−1), `history` holding the 16 window bytes before the first (oldest
// first, as read) and, on return, the 16 after the last. The channel's bytes go straight from the interleaved
// block into the kernel's prepared window, and results straight from registers into the block, so that strides
// 1 … 16 cost little more than the kernel; other strides take the bytes one by one. Floats of other channels
// are never written; input may be read anywhere from input to its last byte, never beyond.
// Requires fir_avx512_available() and count > 0.
void convert_avx512(const fir_plane_tables& tables, std::span<std::uint8_t, 16> history, const std::uint8_t* input,
                    std::ptrdiff_t input_stride, float* output, std::ptrdiff_t output_stride, std::int32_t count);
