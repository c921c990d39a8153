// The filter for x86-64 processors with AVX-512 VBMI: 64 outputs of a channel at a time, the 16 terms of each
// summed exactly as integers from byte-plane tables looked up in registers (see fir_plane_tables.h), so its
// results are bit for bit those of the reference form.
#pragma once

#include <cstdint>

struct fir_plane_tables;

// Largest `count` that filter_block_avx512 accepts in one call.
inline constexpr std::int32_t fir_avx512_max_count = 1024;
// Readable bytes the window needs beyond the 16 + count it holds; their values do not matter.
inline constexpr std::int32_t fir_avx512_window_padding = 128;

// True when this build has the kernel and the processor (and system) can run it; decided once.
bool fir_avx512_available();

// results[j] for j = 0 … count−1 is the output of window bytes j+1 … j+16 (oldest first), as in the block form.
// `results` must have room for count rounded up to a multiple of 64.
// Requires fir_avx512_available() and 0 < count ≤ fir_avx512_max_count.
void filter_block_avx512(const fir_plane_tables& tables, const std::uint8_t* window, float* results,
                         std::int32_t count);
