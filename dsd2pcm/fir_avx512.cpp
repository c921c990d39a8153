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
//
// A whole conversion goes without copies in between: a channel's bytes are taken from whole 64-byte loads of the
// interleaved block (one vpermt2b per two loads) straight into the prepared window, and each group's results go
// from registers into the block's 64-byte lines, one permute and one masked store per line.
#include "dsd2pcm/fir_avx512.h"

#include "dsd2pcm/fir_plane_tables.h"
#include "util/instruction_sets.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

// GCC 12 warns inside its own AVX-512 headers, whose intrinsics start from a deliberately undefined register.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
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
// Outputs converted per pass over the prepared window.
constexpr int pass_length = 1024;
// Window bytes the prepared arrays hold: a pass, and one group before it for its 16 bytes of history and one
// after it for the reach of its last group.
constexpr int prepared_length = pass_length + 2 * group_length;

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

// Outputs first … first+63 of the prepared window, 16 consecutive ones per vector.
struct group_results {
    __m512 part[4];
};

FIR_AVX512_INLINE group_results filter_group(const fir_plane_tables& tables, const prepared_window& window,
                                             int first)
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
    return {{_mm512_shuffle_f32x4(ab_front, cd_front, 0x88), _mm512_shuffle_f32x4(ab_front, cd_front, 0xDD),
             _mm512_shuffle_f32x4(ab_back, cd_back, 0x88), _mm512_shuffle_f32x4(ab_back, cd_back, 0xDD)}};
}

// Writes the prepared form of 64 window bytes at window offset `at`.
FIR_AVX512_INLINE void prepare_bytes(__m512i bytes, prepared_window& prepared, int at)
{
    const __mmask64 folded = _mm512_movepi8_mask(bytes);
    const __m512i negated = _mm512_movm_epi8(folded);
    const __m512i index = _mm512_xor_si512(bytes, _mm512_and_si512(negated, _mm512_set1_epi8(0x7F)));
    _mm512_storeu_si512(prepared.index + at, index);
    _mm512_storeu_si512(prepared.negated + at, negated);
    _mm512_storeu_si512(prepared.negated_count + at, _mm512_maskz_mov_epi8(folded, _mm512_set1_epi8(1)));
}

// The first `valid` (0 … 64) bytes at `bytes`, zeros after them; nothing beyond them is read.
FIR_AVX512_INLINE __m512i load_first(const std::uint8_t* bytes, std::ptrdiff_t valid)
{
    if (valid >= 64) return _mm512_loadu_si512(bytes);
    if (valid <= 0) return _mm512_setzero_si512();
    return _mm512_maskz_loadu_epi8((std::uint64_t{1} << valid) - 1, bytes);
}

// How 64 bytes of one channel are taken from an interleaved block.
enum class gather_kind { contiguous, permuted, one_by_one };

// Strides up to 16: the 64 bytes span `stride` whole vectors, taken two at a time by one vpermt2b each.
constexpr std::ptrdiff_t largest_vector_stride = 16;

struct input_gather {
    std::ptrdiff_t stride;
    // Byte j: (j × stride) mod 128, its place in the pair of vectors it falls in.
    __m512i index;
    // Bytes j whose place j × stride falls in vector pair p (bytes 128p … 128p+127 of the span).
    __mmask64 pair[largest_vector_stride / 2];

    explicit input_gather(std::ptrdiff_t input_stride) : stride(input_stride), index(), pair()
    {
        if (stride < 2 || stride > largest_vector_stride) return;
        alignas(64) std::uint8_t places[64];
        for (int j = 0; j < 64; ++j) {
            const std::ptrdiff_t place = j * stride;
            places[j] = static_cast<std::uint8_t>(place % 128);
            pair[place / 128] |= std::uint64_t{1} << j;
        }
        index = _mm512_load_si512(places);
    }
};

// Bytes input[j × stride] for j < valid (1 … 64), zeros after them. With `exact` false, valid is 64 and the whole
// span of 64 × stride bytes may be read.
template <gather_kind kind, bool exact>
FIR_AVX512_INLINE __m512i gather(const input_gather& how, const std::uint8_t* input, int valid)
{
    if constexpr (kind == gather_kind::contiguous) {
        return exact ? load_first(input, valid) : _mm512_loadu_si512(input);
    } else if constexpr (kind == gather_kind::permuted) {
        // Bytes of the span that may be read: up to the last byte wanted.
        const std::ptrdiff_t span = exact ? (valid - 1) * how.stride + 1 : 64 * how.stride;
        __m512i bytes = _mm512_setzero_si512();
        for (std::ptrdiff_t p = 0; 128 * p < 64 * how.stride; ++p) {
            const std::ptrdiff_t at = 128 * p;
            const __m512i low = exact ? load_first(input + at, span - at) : _mm512_loadu_si512(input + at);
            // The last pair of an odd stride has no second vector.
            const __m512i high = at + 64 >= 64 * how.stride ? _mm512_setzero_si512()
                                 : exact ? load_first(input + at + 64, span - at - 64)
                                         : _mm512_loadu_si512(input + at + 64);
            bytes = _mm512_mask_blend_epi8(how.pair[p], bytes, _mm512_permutex2var_epi8(low, how.index, high));
        }
        return bytes;
    } else {
        alignas(64) std::uint8_t bytes[64] = {};
        for (int j = 0; j < valid; ++j) bytes[j] = input[j * how.stride];
        return _mm512_load_si512(bytes);
    }
}

// How the 64 outputs of a group are written into an interleaved block.
enum class scatter_kind { contiguous, permuted, one_by_one };

struct output_scatter {
    std::ptrdiff_t stride;
    // For strides 2 … 16. The 64 outputs of a group lie in the same places of whole 64-byte lines for every
    // group of a call, since a group spans 64 × stride floats. Each line holds 8 outputs or fewer, all in two
    // adjacent result vectors, and is written by one permute of that pair and one aligned masked store, never
    // split and never touching the other channels' floats: line w takes entry index[w][q] of the pair in lane q
    // where mask[w] has bit q. Lines come in output order, so the first lines[0] use vectors 0 and 1, the next
    // lines[1] vectors 1 and 2, the last lines[2] vectors 2 and 3.
    std::ptrdiff_t misalignment; // the group's first output in its line, in floats
    int lines[3];
    // Set for the lines in use only: clearing 4 KiB on every call would cost more than it is worth.
    __m512i index[4 * largest_vector_stride + 1];
    __mmask16 mask[4 * largest_vector_stride + 1];

    output_scatter(const float* output, std::ptrdiff_t output_stride)
        : stride(output_stride), misalignment(), lines(), mask()
    {
        if (stride < 2 || stride > largest_vector_stride) return;
        misalignment = static_cast<std::ptrdiff_t>(reinterpret_cast<std::uintptr_t>(output) % 64 / sizeof(float));
        alignas(64) std::int32_t lanes[4 * largest_vector_stride + 1][16] = {};
        int pair_of_line[4 * largest_vector_stride + 1] = {};
        for (std::ptrdiff_t j = 0, previous_line = -1; j < group_length; ++j) {
            const std::ptrdiff_t place = misalignment + j * stride;
            const std::ptrdiff_t line = place / 16;
            // A line's pair starts at the vector of its first output (the last pair is vectors 2 and 3).
            if (line != previous_line) pair_of_line[line] = j / 16 < 2 ? static_cast<int>(j / 16) : 2;
            previous_line = line;
            lanes[line][place % 16] = static_cast<std::int32_t>(j - 16 * pair_of_line[line]);
            mask[line] = static_cast<__mmask16>(mask[line] | (1u << (place % 16)));
        }
        const std::ptrdiff_t line_count = (misalignment + (group_length - 1) * stride) / 16 + 1;
        for (std::ptrdiff_t w = 0; w < line_count; ++w) {
            index[w] = _mm512_load_si512(lanes[w]);
            ++lines[pair_of_line[w]];
        }
    }
};

// Writes lines first … first+count−1 of a group from the result pair (low, high); when `partial`, only the
// entries below `limit` (the pair's share of the group's valid outputs).
FIR_AVX512_INLINE void write_lines(const output_scatter& how, __m512 low, __m512 high, float* line, int first,
                                   int count, bool partial, int limit)
{
    const __m512i below = _mm512_set1_epi32(limit);
    for (int w = first; w < first + count; ++w) {
        const __m512 values = _mm512_permutex2var_ps(low, how.index[w], high);
        if (!partial) {
            _mm512_mask_store_ps(line + 16 * w, how.mask[w], values);
        } else if (const __mmask16 lanes = _mm512_mask_cmplt_epi32_mask(how.mask[w], how.index[w], below);
                   lanes != 0) {
            _mm512_mask_store_ps(line + 16 * w, lanes, values);
        }
    }
}

// Writes outputs 0 … valid−1 (valid 1 … 64) of a group to output[j × stride], nothing else.
template <scatter_kind kind>
FIR_AVX512_INLINE void scatter(const output_scatter& how, const group_results& results, float* output, int valid)
{
    if constexpr (kind == scatter_kind::contiguous) {
        for (int part = 0; part < 4 && 16 * part < valid; ++part) {
            if (valid - 16 * part >= 16) {
                _mm512_storeu_ps(output + 16 * part, results.part[part]);
            } else {
                const auto lanes = static_cast<__mmask16>((1u << (valid - 16 * part)) - 1);
                _mm512_mask_storeu_ps(output + 16 * part, lanes, results.part[part]);
            }
        }
    } else if constexpr (kind == scatter_kind::permuted) {
        // The line of the first output; only the masked lanes of each line are written.
        float* const line = reinterpret_cast<float*>(reinterpret_cast<std::uintptr_t>(output) & ~std::uintptr_t{63});
        const bool partial = valid < group_length;
        write_lines(how, results.part[0], results.part[1], line, 0, how.lines[0], partial, valid);
        write_lines(how, results.part[1], results.part[2], line, how.lines[0], how.lines[1], partial, valid - 16);
        write_lines(how, results.part[2], results.part[3], line, how.lines[0] + how.lines[1], how.lines[2], partial,
                    valid - 32);
    } else {
        alignas(64) float values[group_length];
        for (int part = 0; part < 4; ++part) _mm512_store_ps(values + 16 * part, results.part[part]);
        for (int j = 0; j < valid; ++j) output[j * how.stride] = values[j];
    }
}

// Where a pass's first byte lies in the prepared window: its 16 bytes of history are just before it.
constexpr int pass_start = 64;
static_assert(pass_start + pass_length <= prepared_length);

// Prepares bytes first … first+length−1 of the channel at pass_start onwards, whole vectors, zeros after the last.
// Only the very last vector of the call (`final`) stops reading at the channel's last byte.
template <gather_kind kind>
void gather_pass(const input_gather& how, const std::uint8_t* input, int length, bool final,
                 prepared_window& prepared)
{
    int m = 0;
    for (; m + 64 < length || (m + 64 == length && !final); m += 64) {
        prepare_bytes(gather<kind, false>(how, input + m * how.stride, 64), prepared, pass_start + m);
    }
    if (m < length) {
        prepare_bytes(gather<kind, true>(how, input + m * how.stride, length - m), prepared, pass_start + m);
    }
}

template <scatter_kind kind>
void filter_pass(const fir_plane_tables& tables, const prepared_window& prepared, const output_scatter& how,
                 float* output, int length)
{
    for (int g = 0; g * group_length < length; ++g) {
        // Output t of group g is that of prepared bytes pass_start − 15 + 64g + t … pass_start + 64g + t.
        const group_results results = filter_group(tables, prepared, pass_start - 16 + g * group_length);
        const int remaining = length - g * group_length;
        scatter<kind>(how, results, output + g * group_length * how.stride,
                      remaining < group_length ? remaining : group_length);
    }
}

template <gather_kind gathered, scatter_kind scattered>
void convert_passes(const fir_plane_tables& tables, std::span<std::uint8_t, 16> history, const std::uint8_t* input,
                    const input_gather& in, float* output, const output_scatter& out, std::int32_t count)
{
    prepared_window prepared;
    // The history in the 16 bytes before pass_start; the bytes before it are never read.
    const __m128i earlier = _mm_loadu_si128(reinterpret_cast<const __m128i_u*>(history.data()));
    prepare_bytes(_mm512_inserti32x4(_mm512_setzero_si512(), earlier, 3), prepared, pass_start - 64);
    int length = 0;
    for (std::int32_t done = 0; done < count; done += length) {
        if (done > 0) {
            // The last 16 bytes of the previous pass become this one's history.
            std::memcpy(prepared.index + pass_start - 16, prepared.index + pass_start + length - 16, 16);
            std::memcpy(prepared.negated + pass_start - 16, prepared.negated + pass_start + length - 16, 16);
            std::memcpy(prepared.negated_count + pass_start - 16, prepared.negated_count + pass_start + length - 16,
                        16);
        }
        length = count - done < pass_length ? count - done : pass_length;
        gather_pass<gathered>(in, input + done * in.stride, length, done + length == count, prepared);
        filter_pass<scattered>(tables, prepared, out, output + done * out.stride, length);
    }
    // Undo the folding of the last 16 bytes: v = index with bits 0…6 complemented where negated.
    for (int k = 0; k < 16; ++k) {
        const int at = pass_start + length - 16 + k;
        history[static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(prepared.index[at] ^ (prepared.negated[at] & 0x7F));
    }
}

template <gather_kind gathered>
void convert_with_gather(const fir_plane_tables& tables, std::span<std::uint8_t, 16> history,
                         const std::uint8_t* input, const input_gather& in, float* output,
                         std::ptrdiff_t output_stride, std::int32_t count)
{
    const output_scatter out(output, output_stride);
    if (output_stride == 1) {
        convert_passes<gathered, scatter_kind::contiguous>(tables, history, input, in, output, out, count);
    } else if (output_stride >= 2 && output_stride <= largest_vector_stride) {
        convert_passes<gathered, scatter_kind::permuted>(tables, history, input, in, output, out, count);
    } else {
        convert_passes<gathered, scatter_kind::one_by_one>(tables, history, input, in, output, out, count);
    }
}

} // namespace

void convert_avx512(const fir_plane_tables& tables, std::span<std::uint8_t, 16> history, const std::uint8_t* input,
                    std::ptrdiff_t input_stride, float* output, std::ptrdiff_t output_stride, std::int32_t count)
{
    const input_gather in(input_stride);
    if (input_stride == 1) {
        convert_with_gather<gather_kind::contiguous>(tables, history, input, in, output, output_stride, count);
    } else if (input_stride >= 2 && input_stride <= largest_vector_stride) {
        convert_with_gather<gather_kind::permuted>(tables, history, input, in, output, output_stride, count);
    } else {
        convert_with_gather<gather_kind::one_by_one>(tables, history, input, in, output, output_stride, count);
    }
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool fir_avx512_available()
{
    // Every extension the target switch above names.
    static const bool available =
        kernel_may_use({instruction_set::avx512f, instruction_set::avx512bw, instruction_set::avx512dq,
                        instruction_set::avx512vl, instruction_set::avx512vbmi});
    return available;
}

#else

void convert_avx512(const fir_plane_tables&, std::span<std::uint8_t, 16>, const std::uint8_t*, std::ptrdiff_t, float*,
                    std::ptrdiff_t, std::int32_t)
{
}

bool fir_avx512_available() { return false; }

#endif
