// The AVX-512 VBMI kernel. Every header is included before the target switch, so that only this file's own
// functions, which have internal linkage, are built for these instructions: no shared inline function can end
// up in a form that needs them.
//
// Per group of 64 outputs and per window slot, one unaligned load gives the slot's byte for all 64 outputs.
// Bytes of 128 or more are folded to 255 − v beforehand (complement symmetry), so that 7 bits index a table of
// 128 entries held in two registers; each byte plane of the slot's table is one vpermi2b, whose 64 result bytes
// are complemented where the byte was folded, then summed into 16-bit lanes: one accumulator takes the lane as
// a whole (even output + 256 × odd output, modulo 2^16) and one the odd output alone, which leaves the even sum
// recoverable. At the end of the group the planes are combined into two 24-bit-aligned halves per output, each
// exactly representable as a float, and one fused multiply-add rounds their sum once: the reference result.
#include "dsd2pcm/fir_avx512.h"

#include "dsd2pcm/fir_plane_tables.h"

#include <cstdint>
#include <utility>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)

// GCC 12 warns inside its own AVX-512 headers, whose intrinsics start from a deliberately undefined register.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi"))), \
                             apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi")
#endif

#define FIR_AVX512_INLINE inline __attribute__((always_inline))

namespace {

constexpr int group_length = 64;
// Window bytes the prepared arrays hold: the largest block rounded up to whole groups, and one group more for
// the 16 bytes of history and the reach of the last group.
constexpr int prepared_length = fir_avx512_max_count + 2 * group_length;

// The window prepared once per call, so that each slot's bytes are one plain load.
struct prepared_window {
    // v with bits 0…6 complemented when bit 7 is set: the table index of v.
    alignas(64) std::uint8_t index[prepared_length];
    // 0xFF where v ≥ 128 (the term is negated), else 0.
    alignas(64) std::uint8_t negated[prepared_length];
    // 1 where v ≥ 128, else 0: the +1 a negated term needs at its lowest plane.
    alignas(64) std::uint8_t negated_count[prepared_length];
};

struct accumulators {
    // Per 16-bit lane k: sum of bytes 2k (even output) + 256 × sum of bytes 2k+1 (odd output), modulo 2^16.
    __m512i whole[fir_plane_count];
    // Per 16-bit lane k: sum of bytes 2k+1 alone.
    __m512i odd[fir_plane_count];
    // Negated terms of the slots whose lowest plane is p: even output's count in the low byte, odd's in the high.
    __m512i negated[fir_plane_count];
};

// The biases of all slots, per plane: each slot's bias 2^(8 × count − 1) × 256^lowest is 128 at its top plane.
constexpr std::int16_t plane_bias(int plane)
{
    int slots_with_top_here = 0;
    for (int slot = 0; slot < fir_slot_count; ++slot) {
        const fir_plane_range range = fir_slot_planes(slot);
        if (range.lowest + range.count - 1 == plane) ++slots_with_top_here;
    }
    return static_cast<std::int16_t>(128 * slots_with_top_here);
}

template <int plane>
FIR_AVX512_INLINE void add_plane(accumulators& sums, __m512i index, __m512i negated, const std::uint8_t* table)
{
    const __m512i low = _mm512_load_si512(table);
    const __m512i high = _mm512_load_si512(table + 64);
    const __m512i bytes = _mm512_xor_si512(_mm512_permutex2var_epi8(low, index, high), negated);
    sums.whole[plane] = _mm512_add_epi16(sums.whole[plane], bytes);
    sums.odd[plane] = _mm512_add_epi16(sums.odd[plane], _mm512_srli_epi16(bytes, 8));
    // Keeps the sums as running sums: left free, the compiler regroups the additions into a tree that holds every
    // looked-up vector at once, far more than the registers can.
    asm("" : "+v"(sums.whole[plane]), "+v"(sums.odd[plane]));
}

template <int slot, int... offsets>
FIR_AVX512_INLINE void add_slot(accumulators& sums, const fir_plane_tables& tables, const prepared_window& window,
                                int first, std::integer_sequence<int, offsets...>)
{
    constexpr int lowest = fir_slot_planes(slot).lowest;
    // Output first+t reads window byte first+t+slot+1.
    const int at = first + slot + 1;
    const __m512i index = _mm512_loadu_si512(window.index + at);
    const __m512i negated = _mm512_loadu_si512(window.negated + at);
    sums.negated[lowest] = _mm512_add_epi16(sums.negated[lowest], _mm512_loadu_si512(window.negated_count + at));
    (add_plane<lowest + offsets>(sums, index, negated, tables.planes[slot][lowest + offsets]), ...);
}

template <int... slots>
FIR_AVX512_INLINE void add_slots(accumulators& sums, const fir_plane_tables& tables, const prepared_window& window,
                                 int first, std::integer_sequence<int, slots...>)
{
    (add_slot<slots>(sums, tables, window, first, std::make_integer_sequence<int, fir_slot_planes(slots).count>{}),
     ...);
}

// Planes 0…2 (or 3…5) of 16 outputs as one 32-bit lane each: p0 + 256 p1 + 65536 p2, for the outputs of word
// lanes 0…3 of each 128-bit lane (`high_words` false) or 4…7 (true).
template <bool high_words>
FIR_AVX512_INLINE __m512i combine_three(__m512i p0, __m512i p1, __m512i p2)
{
    const __m512i weights = _mm512_set1_epi32(1 | (256 << 16));
    const __m512i zero = _mm512_setzero_si512();
    if constexpr (high_words) {
        return _mm512_add_epi32(_mm512_madd_epi16(_mm512_unpackhi_epi16(p0, p1), weights),
                                _mm512_unpackhi_epi16(zero, p2));
    } else {
        return _mm512_add_epi32(_mm512_madd_epi16(_mm512_unpacklo_epi16(p0, p1), weights),
                                _mm512_unpacklo_epi16(zero, p2));
    }
}

// The 16 outputs whose signed plane sums are the word lanes 0…3 (or 4…7) of each 128-bit lane of `planes`.
template <bool high_words>
FIR_AVX512_INLINE __m512 to_float(const __m512i (&planes)[fir_plane_count])
{
    const __m512i low = combine_three<high_words>(planes[0], planes[1], planes[2]);
    const __m512i high = combine_three<high_words>(planes[3], planes[4], planes[5]);
    // value = high × 2^24 + low; move low's bits from 24 up into high, so both halves are exact as floats
    // (|high| < 2^23 since |value| < 2^46, and 0 ≤ low < 2^24).
    const __m512i carried_high = _mm512_add_epi32(high, _mm512_srai_epi32(low, 24));
    const __m512i low_bits = _mm512_and_si512(low, _mm512_set1_epi32(0xFFFFFF));
    const __m512 low_scaled = _mm512_mul_ps(_mm512_cvtepi32_ps(low_bits), _mm512_set1_ps(0x1p-44f));
    // Both products exact; the one rounding is the fused addition's.
    return _mm512_fmadd_ps(_mm512_cvtepi32_ps(carried_high), _mm512_set1_ps(0x1p-20f), low_scaled);
}

FIR_AVX512_INLINE void filter_group(const fir_plane_tables& tables, const prepared_window& window, int first,
                                    float* results)
{
    accumulators sums;
    for (int p = 0; p < fir_plane_count; ++p) {
        // Start at minus the biases, for the even and the odd output alike.
        const std::int16_t bias = plane_bias(p);
        sums.whole[p] = _mm512_set1_epi16(static_cast<std::int16_t>(-257 * bias));
        sums.odd[p] = _mm512_set1_epi16(static_cast<std::int16_t>(-bias));
        sums.negated[p] = _mm512_setzero_si512();
    }
    add_slots(sums, tables, window, first, std::make_integer_sequence<int, fir_slot_count>{});

    __m512i even[fir_plane_count], odd[fir_plane_count];
    for (int p = 0; p < fir_plane_count; ++p) {
        const __m512i whole = _mm512_add_epi16(sums.whole[p], sums.negated[p]);
        odd[p] = _mm512_add_epi16(sums.odd[p], _mm512_srli_epi16(sums.negated[p], 8));
        even[p] = _mm512_sub_epi16(whole, _mm512_slli_epi16(odd[p], 8));
    }
    // Float lane 4L+t of each: output 16L + 2t (+1 for odd) for the low words, 16L + 8 + 2t (+1) for the high.
    const __m512 even_low = to_float<false>(even), even_high = to_float<true>(even);
    const __m512 odd_low = to_float<false>(odd), odd_high = to_float<true>(odd);
    // 128-bit lane L of each: outputs 16L+0…3, 16L+4…7, 16L+8…11, 16L+12…15.
    const __m512 a = _mm512_unpacklo_ps(even_low, odd_low), b = _mm512_unpackhi_ps(even_low, odd_low);
    const __m512 c = _mm512_unpacklo_ps(even_high, odd_high), d = _mm512_unpackhi_ps(even_high, odd_high);
    // Transpose the 4 × 4 lanes.
    const __m512 ab_front = _mm512_shuffle_f32x4(a, b, 0x44), ab_back = _mm512_shuffle_f32x4(a, b, 0xEE);
    const __m512 cd_front = _mm512_shuffle_f32x4(c, d, 0x44), cd_back = _mm512_shuffle_f32x4(c, d, 0xEE);
    _mm512_storeu_ps(results, _mm512_shuffle_f32x4(ab_front, cd_front, 0x88));
    _mm512_storeu_ps(results + 16, _mm512_shuffle_f32x4(ab_front, cd_front, 0xDD));
    _mm512_storeu_ps(results + 32, _mm512_shuffle_f32x4(ab_back, cd_back, 0x88));
    _mm512_storeu_ps(results + 48, _mm512_shuffle_f32x4(ab_back, cd_back, 0xDD));
}

void prepare_window(const std::uint8_t* window, int length, prepared_window& prepared)
{
    const __m512i low_bits = _mm512_set1_epi8(0x7F);
    const __m512i one = _mm512_set1_epi8(1);
    for (int m = 0; m < length; m += 64) {
        const __m512i bytes = _mm512_loadu_si512(window + m);
        const __mmask64 folded = _mm512_movepi8_mask(bytes);
        const __m512i negated = _mm512_movm_epi8(folded);
        _mm512_store_si512(prepared.index + m, _mm512_xor_si512(bytes, _mm512_and_si512(negated, low_bits)));
        _mm512_store_si512(prepared.negated + m, negated);
        _mm512_store_si512(prepared.negated_count + m, _mm512_maskz_mov_epi8(folded, one));
    }
}

} // namespace

void filter_block_avx512(const fir_plane_tables& tables, const std::uint8_t* window, float* results,
                         std::int32_t count)
{
    static_assert(prepared_length % 64 == 0);
    const int groups = (count + group_length - 1) / group_length;
    // The last group reads prepared bytes up to groups × 64 + 15.
    const int length = groups * group_length + 64;
    prepared_window prepared;
    prepare_window(window, length, prepared);
    for (int g = 0; g < groups; ++g) filter_group(tables, prepared, g * group_length, results + g * group_length);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool fir_avx512_available()
{
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi");
    }();
    return available;
}

#else

void filter_block_avx512(const fir_plane_tables&, const std::uint8_t*, float*, std::int32_t) {}

bool fir_avx512_available() { return false; }

#endif
