// The AVX2 kernel. Every header is included before the target switch, so that only this file's own functions,
// which have internal linkage, are built for these instructions: no shared inline function can end up in a form
// that needs them.
//
// The sums of the 20 outputs a group of 4 input bytes reaches live in five vectors of 4 doubles. Each byte's row
// is read from 3 − (its place in the group) elements before its first term, so that its terms fall into those
// vectors as they are: five unaligned loads (four for the group's first byte), each XORed with the byte's sign
// and added. The four bytes' shares are added in pairs before they meet the running sums, which keeps the chain
// of dependent additions per group one addition long. Once the group's bytes are in, the first vector holds 4
// finished outputs, rounded once to float; the others move down and a cleared one enters at the top. Registers
// hold everything, so the code has no stack vectors, which the Windows build could not align.
#include "dsd2pcm/fir_avx2.h"

#include "dsd2pcm/fir_row_tables.h"
#include "util/instruction_sets.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx,avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx,avx2")
#endif

#define FIR_AVX2_INLINE inline __attribute__((always_inline))

namespace {

// Sums of outputs base + 4q … base + 4q + 3 in group[q], base being the first output of the group whose bytes
// come next.
struct window_sums {
    __m256d group[5];
};

// A byte's row and the sign its terms take.
struct byte_terms {
    const double* row;
    __m256d sign;
};

FIR_AVX2_INLINE byte_terms terms_of(const fir_row_tables& tables, unsigned v)
{
    const auto* const row =
        reinterpret_cast<const double*>(reinterpret_cast<const unsigned char*>(tables.rows) + tables.row_offset[v]);
    return {row, _mm256_broadcast_sd(&tables.sign_flip[v >> 7])};
}

// The byte's terms for outputs base + 4q … base + 4q + 3, the byte being byte `place` of the group at base.
template <int place>
FIR_AVX2_INLINE __m256d share(const byte_terms& byte, int q)
{
    return _mm256_xor_pd(_mm256_loadu_pd(byte.row + fir_row_lead - place + 4 * q), byte.sign);
}

// Adds the group's four bytes.
FIR_AVX2_INLINE void add_group(window_sums& sums, const fir_row_tables& tables, unsigned v0, unsigned v1,
                               unsigned v2, unsigned v3)
{
    const byte_terms b0 = terms_of(tables, v0), b1 = terms_of(tables, v1), b2 = terms_of(tables, v2),
                     b3 = terms_of(tables, v3);
#pragma GCC unroll 4
    for (int q = 0; q < 4; ++q) {
        const __m256d pair0 = _mm256_add_pd(share<0>(b0, q), share<1>(b1, q));
        const __m256d pair1 = _mm256_add_pd(share<2>(b2, q), share<3>(b3, q));
        sums.group[q] = _mm256_add_pd(sums.group[q], _mm256_add_pd(pair0, pair1));
    }
    // The group's first byte reaches only outputs base … base + 15.
    const __m256d pair = _mm256_add_pd(share<1>(b1, 4), share<2>(b2, 4));
    sums.group[4] = _mm256_add_pd(sums.group[4], _mm256_add_pd(pair, share<3>(b3, 4)));
}

// The group's 4 finished outputs, rounded once; the sums move on to the next group.
FIR_AVX2_INLINE __m128 finish_group(window_sums& sums)
{
    const __m128 results = _mm256_cvtpd_ps(sums.group[0]);
    sums.group[0] = sums.group[1];
    sums.group[1] = sums.group[2];
    sums.group[2] = sums.group[3];
    sums.group[3] = sums.group[4];
    sums.group[4] = _mm256_setzero_pd();
    return results;
}

template <bool contiguous>
struct channel_input {
    const std::uint8_t* bytes;
    std::ptrdiff_t stride;

    FIR_AVX2_INLINE unsigned at(std::ptrdiff_t k) const { return bytes[contiguous ? k : k * stride]; }

    // Bytes k … k+3 into v[0…3].
    FIR_AVX2_INLINE void four(std::ptrdiff_t k, unsigned (&v)[4]) const
    {
        if constexpr (contiguous) {
            std::uint32_t word;
            std::memcpy(&word, bytes + k, sizeof word);
            for (int i = 0; i < 4; ++i) v[i] = (word >> (8 * i)) & 0xFF;
        } else {
            for (int i = 0; i < 4; ++i) v[i] = bytes[(k + i) * stride];
        }
    }
};

// Writes the first `valid` (1 … 4) of the outputs to output[0], output[stride], …
template <bool contiguous>
FIR_AVX2_INLINE void store(float* output, std::ptrdiff_t stride, __m128 results, int valid)
{
    if (contiguous && valid == 4) {
        _mm_storeu_ps(output, results);
        return;
    }
    alignas(16) float values[4];
    _mm_store_ps(values, results);
    for (int i = 0; i < valid; ++i) output[contiguous ? i : i * stride] = values[i];
}

template <bool contiguous_input, bool contiguous_output>
void convert_strided(const fir_row_tables& tables, std::span<std::uint8_t, 16> history, const std::uint8_t* input,
                     std::ptrdiff_t input_stride, float* output, std::ptrdiff_t output_stride, std::int32_t count)
{
    const channel_input<contiguous_input> in{input, input_stride};
    window_sums sums;
    for (__m256d& group : sums.group) group = _mm256_setzero_pd();
    // The history: its groups finish before output 0, leaving the sums at output 0's group.
    for (int k = 0; k < 16; k += 4) {
        add_group(sums, tables, history[k], history[k + 1], history[k + 2], history[k + 3]);
        finish_group(sums);
    }
    // 64 bits, so that stepping past a count near the int32 limit cannot overflow.
    for (std::ptrdiff_t base = 0; base < count; base += 4) {
        unsigned v[4] = {};
        const int valid = count - base < 4 ? static_cast<int>(count - base) : 4;
        if (valid == 4) {
            in.four(base, v);
        } else {
            // The last, partial group: bytes after the channel's last would only reach later outputs, so they
            // are taken as 0 rather than read. One loop with this branch, rather than a loop and a tail, leaves
            // no sums live after it, which keeps the compiler from parking any on the stack.
            for (int i = 0; i < valid; ++i) v[i] = in.at(base + i);
        }
        add_group(sums, tables, v[0], v[1], v[2], v[3]);
        store<contiguous_output>(output + base * output_stride, output_stride, finish_group(sums), valid);
    }
    std::array<std::uint8_t, 16> last;
    for (int k = 0; k < 16; ++k) {
        const std::int32_t at = count - 16 + k;
        last[static_cast<std::size_t>(k)] =
            at >= 0 ? static_cast<std::uint8_t>(in.at(at)) : history[static_cast<std::size_t>(16 + at)];
    }
    std::memcpy(history.data(), last.data(), last.size());
}

} // namespace

void convert_avx2(const fir_row_tables& tables, std::span<std::uint8_t, 16> history, const std::uint8_t* input,
                  std::ptrdiff_t input_stride, float* output, std::ptrdiff_t output_stride, std::int32_t count)
{
    if (input_stride == 1) {
        if (output_stride == 1) {
            convert_strided<true, true>(tables, history, input, input_stride, output, output_stride, count);
        } else {
            convert_strided<true, false>(tables, history, input, input_stride, output, output_stride, count);
        }
    } else if (output_stride == 1) {
        convert_strided<false, true>(tables, history, input, input_stride, output, output_stride, count);
    } else {
        convert_strided<false, false>(tables, history, input, input_stride, output, output_stride, count);
    }
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool fir_avx2_available()
{
    // Every extension the target switch above names.
    static const bool available = kernel_may_use({instruction_set::avx, instruction_set::avx2});
    return available;
}

#else

void convert_avx2(const fir_row_tables&, std::span<std::uint8_t, 16>, const std::uint8_t*, std::ptrdiff_t, float*,
                  std::ptrdiff_t, std::int32_t)
{
}

bool fir_avx2_available() { return false; }

#endif
