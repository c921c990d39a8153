#include "dsd2pcm/dsd_converter.h"

#include "dsd2pcm/fir_avx2.h"
#include "dsd2pcm/fir_avx512.h"
#include "dsd2pcm/fir_plane_tables.h"
#include "dsd2pcm/fir_row_tables.h"
#include "dsd2pcm/fir_tables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <span>
#include <stdexcept>

namespace {

constexpr std::int32_t filter_half_length = 8;
constexpr std::int32_t byte_values = 256;
// Bytes converted per pass of the block form; the window lives on the stack.
constexpr std::int32_t block_length = 1024;

} // namespace

struct dsd_converter::form_tables {
    // Block form: the byte tables widened to double (exact), indexed by the byte as read on both sides;
    // older has the bit reversal folded in.
    std::vector<double> newer;
    std::vector<double> older;
    // The fast forms' tables; null where the processor lacks the form's instructions or the tables break the
    // premise that makes the form exact (the form is then unsupported).
    std::unique_ptr<const fir_row_tables> rows;
    std::unique_ptr<const fir_plane_tables> planes;

    form_tables() : newer(static_cast<std::size_t>(filter_half_length * byte_values)), older(newer.size())
    {
        std::vector<float> bytes(newer.size());
        std::array<std::uint8_t, byte_values> reverse;
        build_byte_tables(bytes);
        build_bit_reverse(reverse);
        for (std::size_t i = 0; i < static_cast<std::size_t>(filter_half_length); ++i) {
            for (std::size_t v = 0; v < static_cast<std::size_t>(byte_values); ++v) {
                newer[i * byte_values + v] = bytes[i * byte_values + v];
                older[i * byte_values + v] = bytes[i * byte_values + reverse[v]];
            }
        }
        if (fir_avx2_available()) rows = build_fir_row_tables(bytes, reverse);
        if (fir_avx512_available()) planes = build_fir_plane_tables(bytes, reverse);
    }

    // Built on first use, by whichever thread comes first; read-only after.
    static const form_tables& shared()
    {
        static const form_tables tables;
        return tables;
    }
};

bool dsd_converter::form_supported(fir_form form)
{
    switch (form) {
    case fir_form::automatic:
    case fir_form::block: return true;
    case fir_form::avx2: return form_tables::shared().rows != nullptr;
    case fir_form::avx512: return form_tables::shared().planes != nullptr;
    }
    return false;
}

dsd_converter::dsd_converter() : dsd_converter(fir_form::automatic) {}

dsd_converter::dsd_converter(fir_form form)
    : half_length(filter_half_length),
      byte_tables(static_cast<std::size_t>(filter_half_length * byte_values)),
      bit_reverse(byte_values),
      ring_size(2 * filter_half_length),
      ring_mask(2 * filter_half_length - 1),
      ring(static_cast<std::size_t>(ring_size)),
      ring_position(filter_half_length),
      convert_form(form),
      shared_tables(&form_tables::shared())
{
    static_assert(window_length == 2 * filter_half_length);
    if (form == fir_form::automatic) {
        convert_form = form_supported(fir_form::avx512) ? fir_form::avx512
                       : form_supported(fir_form::avx2) ? fir_form::avx2
                                                        : fir_form::block;
    } else if (!form_supported(form)) {
        throw std::invalid_argument("dsd_converter: this processor cannot run the requested filter form");
    }
    build_byte_tables(byte_tables);
    build_bit_reverse(std::span<std::uint8_t, 256>(bit_reverse.data(), 256));
    reset();
}

dsd_converter::~dsd_converter() = default;
dsd_converter::dsd_converter(dsd_converter&&) noexcept = default;
dsd_converter& dsd_converter::operator=(dsd_converter&&) noexcept = default;

void dsd_converter::reset()
{
    // The state a stream of 0xAA bytes leaves: 0x55 is 0xAA reversed.
    for (std::int32_t i = 0; i < half_length; ++i) {
        ring[static_cast<std::size_t>(i)] = 0x55;
        ring[static_cast<std::size_t>(i + half_length)] = 0xAA;
    }
    ring_position = half_length;
}

// window[k] = byte n−15+k as read, n being the last byte converted.
void dsd_converter::load_window(std::uint8_t* window) const
{
    for (std::int32_t k = 0; k < window_length; ++k) {
        const std::int32_t value = ring[static_cast<std::size_t>((ring_position - half_length + k) & ring_mask)];
        window[k] = k < half_length ? bit_reverse[static_cast<std::size_t>(value)] : static_cast<std::uint8_t>(value);
    }
}

// Inverse of load_window once ring_position has been advanced.
void dsd_converter::store_window(const std::uint8_t* window)
{
    for (std::int32_t k = 0; k < window_length; ++k) {
        const std::uint8_t value = k < half_length ? bit_reverse[window[k]] : window[k];
        ring[static_cast<std::size_t>((ring_position - half_length + k) & ring_mask)] = value;
    }
}

namespace {

// Bytes window[offset … offset+7] as one word, byte k in bits 8k … 8k+7.
std::uint64_t load_word(const std::uint8_t* bytes)
{
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&word, bytes, sizeof word);
    } else {
        for (int k = 7; k >= 0; --k) word = (word << 8) | bytes[k];
    }
    return word;
}

// Outputs for bytes window[16 … 16+count−1], each from the 16 bytes ending at
// it. Same additions in the same order as the ring form: for i = 0 … 7 the pair
// (newer + older) in double, added to a running sum that starts at 0.0.
// Four outputs are interleaved (they are independent, so their order is
// free); the 19 bytes they share are loaded as three words and taken apart in
// registers, which leaves the table lookups as the only memory reads.
// `window` must have 8 readable bytes after the last one converted.
void filter_block(const double* newer, const double* older, const std::uint8_t* window, float* results,
                  std::int32_t count)
{
    std::int32_t j = 0;
    for (; j + 4 <= count; j += 4) {
        const std::uint8_t* first = window + 1 + j; // the oldest byte of output j
        const std::uint64_t words[3] = {load_word(first), load_word(first + 8), load_word(first + 16)};
        // Byte first[k], k = 0 … 18.
        auto byte = [&words](int k) { return static_cast<unsigned>((words[k >> 3] >> (8 * (k & 7))) & 0xFF); };
        double sum0 = 0.0, sum1 = 0.0, sum2 = 0.0, sum3 = 0.0;
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) {
            const double* table_newer = newer + i * 256;
            const double* table_older = older + i * 256;
            // Output j+l: newer byte at distance i is first[8+i+l], older byte first[7−i+l].
            sum0 += table_newer[byte(8 + i)] + table_older[byte(7 - i)];
            sum1 += table_newer[byte(9 + i)] + table_older[byte(8 - i)];
            sum2 += table_newer[byte(10 + i)] + table_older[byte(9 - i)];
            sum3 += table_newer[byte(11 + i)] + table_older[byte(10 - i)];
        }
        results[j] = static_cast<float>(sum0);
        results[j + 1] = static_cast<float>(sum1);
        results[j + 2] = static_cast<float>(sum2);
        results[j + 3] = static_cast<float>(sum3);
    }
    for (; j < count; ++j) {
        const std::uint8_t* last = window + 16 + j;
        double sum = 0.0;
        for (std::int32_t i = 0; i < 8; ++i) sum += newer[i * 256 + last[-7 + i]] + older[i * 256 + last[-8 - i]];
        results[j] = static_cast<float>(sum);
    }
}

} // namespace

void dsd_converter::convert(const std::uint8_t* input, std::ptrdiff_t input_stride, float* output,
                            std::ptrdiff_t output_stride, std::int32_t count)
{
    if (count <= 0) return;
    if (convert_form == fir_form::avx512 || convert_form == fir_form::avx2) {
        std::array<std::uint8_t, window_length> history;
        load_window(history.data());
        if (convert_form == fir_form::avx512) {
            convert_avx512(*shared_tables->planes, history, input, input_stride, output, output_stride, count);
        } else {
            convert_avx2(*shared_tables->rows, history, input, input_stride, output, output_stride, count);
        }
        ring_position = (ring_position + count) & ring_mask;
        store_window(history.data());
        return;
    }
    // Spare bytes at the end: filter_block reads whole words. Cleared, so that no read ever meets indeterminate
    // bytes.
    std::array<std::uint8_t, window_length + block_length + 8> window{};
    std::array<float, block_length> results;
    load_window(window.data());
    for (std::int32_t done = 0; done < count;) {
        const std::int32_t length = std::min(block_length, count - done);
        for (std::int32_t j = 0; j < length; ++j, input += input_stride) window[window_length + j] = *input;
        filter_block(shared_tables->newer.data(), shared_tables->older.data(), window.data(), results.data(), length);
        for (std::int32_t j = 0; j < length; ++j, output += output_stride) *output = results[j];
        // The last 16 bytes become the history of the next block.
        std::copy_n(window.begin() + length, window_length, window.begin());
        done += length;
    }
    ring_position = (ring_position + count) & ring_mask;
    store_window(window.data());
}

const char* fir_form_name(fir_form form)
{
    switch (form) {
    case fir_form::automatic: return "automatic";
    case fir_form::block: return "block";
    case fir_form::avx2: return "avx2";
    case fir_form::avx512: return "avx512";
    }
    return "?";
}
