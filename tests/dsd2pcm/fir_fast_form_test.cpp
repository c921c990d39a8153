#include "dsd2pcm/dsd_converter.h"
#include "dsd2pcm/fir_avx2.h"
#include "dsd2pcm/fir_avx512.h"
#include "dsd2pcm/fir_plane_tables.h"
#include "dsd2pcm/fir_row_tables.h"
#include "dsd2pcm/fir_tables.h"
#include "supported_forms.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

struct filter_tables {
    std::vector<float> bytes = std::vector<float>(8 * 256);
    std::array<std::uint8_t, 256> reverse{};
    filter_tables()
    {
        build_byte_tables(bytes);
        build_bit_reverse(reverse);
    }
    std::unique_ptr<fir_plane_tables> planes() const { return build_fir_plane_tables(bytes, reverse); }
    std::unique_ptr<fir_row_tables> rows() const { return build_fir_row_tables(bytes, reverse); }
};

// The signed value the planes of `slot` hold for table index u, in units of 2^-44.
std::int64_t planes_value(const fir_plane_tables& tables, int slot, unsigned u)
{
    const fir_plane_range range = fir_slot_planes(slot);
    std::int64_t biased = 0;
    for (int b = range.count - 1; b >= 0; --b) biased = biased * 256 + tables.planes[slot][range.lowest + b][u];
    return (biased - (std::int64_t{1} << (8 * range.count - 1))) << (8 * range.lowest);
}

} // namespace

TEST(fir_plane_tables, planes_hold_every_entry_exactly)
{
    // The premise holds for the filter, and every slot's planes give back its table entry × 2^44 for u < 128.
    const filter_tables tables;
    const auto planes = tables.planes();
    ASSERT_NE(planes, nullptr);
    for (int slot = 0; slot < fir_slot_count; ++slot) {
        const int table = slot < 8 ? 7 - slot : slot - 8;
        for (unsigned u = 0; u < 128; ++u) {
            const float entry = tables.bytes[static_cast<std::size_t>(table * 256) + (slot < 8 ? tables.reverse[u] : u)];
            EXPECT_EQ(planes_value(*planes, slot, u), static_cast<std::int64_t>(std::ldexp(entry, 44)))
                << "slot " << slot << " index " << u;
        }
    }
}

TEST(fir_plane_tables, tables_breaking_the_premise_are_refused)
{
    // Finer than 2^-44, no complement symmetry, or too large for the table's planes: no plane tables. The first
    // two break the rows' premise too; sums too large for exact doubles do as well.
    const filter_tables good;
    auto finer = good;
    finer.bytes[7 * 256 + 3] = std::ldexp(1.0f, -50);
    finer.bytes[7 * 256 + 252] = -std::ldexp(1.0f, -50);
    EXPECT_EQ(finer.planes(), nullptr);
    EXPECT_EQ(finer.rows(), nullptr);
    auto asymmetric = good;
    asymmetric.bytes[3 * 256 + 10] += std::ldexp(1.0f, -20);
    EXPECT_EQ(asymmetric.planes(), nullptr);
    EXPECT_EQ(asymmetric.rows(), nullptr);
    auto too_large = good;
    too_large.bytes[7 * 256 + 0] = 0.5f;
    too_large.bytes[7 * 256 + 255] = -0.5f;
    EXPECT_EQ(too_large.planes(), nullptr);
    auto too_large_for_doubles = good;
    too_large_for_doubles.bytes[7 * 256 + 0] = 512.0f;
    too_large_for_doubles.bytes[7 * 256 + 255] = -512.0f;
    EXPECT_EQ(too_large_for_doubles.rows(), nullptr);
    EXPECT_NE(good.planes(), nullptr);
    EXPECT_NE(good.rows(), nullptr);
}

TEST(dsd_converter_fast_form, processor_forms_are_used)
{
    // A form the processor has is never silently dropped, the default converter takes the fastest, and a form
    // the processor lacks is refused rather than replaced.
    EXPECT_EQ(dsd_converter::form_supported(fir_form::avx2), fir_avx2_available());
    EXPECT_EQ(dsd_converter::form_supported(fir_form::avx512), fir_avx512_available());
    EXPECT_TRUE(dsd_converter::form_supported(fir_form::block));
    const fir_form fastest = supported_forms().back();
    EXPECT_EQ(dsd_converter().form(), fastest);
    EXPECT_EQ(dsd_converter(fir_form::automatic).form(), fastest);
    for (const fir_form form : {fir_form::block, fir_form::avx2, fir_form::avx512}) {
        if (dsd_converter::form_supported(form)) {
            EXPECT_EQ(dsd_converter(form).form(), form);
        } else {
            EXPECT_THROW(dsd_converter{form}, std::invalid_argument) << fir_form_name(form);
        }
    }
}

namespace {

// Random bytes mixed with long 0x00, 0xFF, 0x69 and 0xAA stretches.
std::vector<std::uint8_t> stream_bytes(std::mt19937& random, std::size_t size)
{
    const std::uint8_t stretch_bytes[] = {0x00, 0xFF, 0x69, 0xAA};
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t k = 0; k < size;) {
        const std::size_t run = std::min<std::size_t>(size - k, random() % 3000 + 1);
        const bool constant = random() % 2 == 0;
        const std::uint8_t value = stretch_bytes[random() % 4];
        for (std::size_t r = 0; r < run; ++r, ++k) bytes[k] = constant ? value : static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// Marks the output slots no converter may write.
constexpr std::uint32_t sentinel_bits = 0x7FC0DEAD;

struct strided_case {
    fir_form form;
    std::uint32_t seed;
    int input_stride;  // channels of the input block
    int output_stride; // channels of the output block
    std::int32_t frames;
};

// Converts every channel c < min(strides) of `input` into its own output block filled with the sentinel, through
// convert and through convert_reference, in random blocks around the 64-output group and the 1024-byte pass, with
// resets; checks that both write the same bits to slot c, c + output_stride, … and nothing else.
void expect_strided_conversion_equal(const strided_case& test)
{
    const std::int32_t sizes[] = {1, 2, 15, 16, 17, 63, 64, 65, 127, 128, 129, 1000, 1023, 1024, 1025, 2048, 3001};
    std::mt19937 random(test.seed);
    const auto frames = static_cast<std::size_t>(test.frames);
    const auto out_stride = static_cast<std::size_t>(test.output_stride);
    // Sized exactly, so that the last channel's last byte is the block's last byte.
    const std::vector<std::uint8_t> input = stream_bytes(random, frames * static_cast<std::size_t>(test.input_stride));
    const int channels = std::min(test.input_stride, test.output_stride);
    for (int c = 0; c < channels; ++c) {
        // 64 frames more than converted: nothing may be written ahead of the block or past the end. The block
        // starts `lead` floats into the buffer, so that it starts anywhere in a 64-byte line.
        const std::size_t lead = (test.seed + static_cast<std::size_t>(c)) % 16;
        std::vector<float> fast(lead + (frames + 64) * out_stride, std::bit_cast<float>(sentinel_bits));
        std::vector<float> reference(fast.size(), std::bit_cast<float>(sentinel_bits));
        dsd_converter fast_converter(test.form), reference_converter;
        for (std::int32_t done = 0; done < test.frames;) {
            const std::int32_t length = std::min(sizes[random() % std::size(sizes)], test.frames - done);
            if (random() % 20 == 0) {
                fast_converter.reset();
                reference_converter.reset();
            }
            const std::size_t in = static_cast<std::size_t>(done) * static_cast<std::size_t>(test.input_stride) + c;
            const std::size_t out = lead + static_cast<std::size_t>(done) * out_stride + c;
            fast_converter.convert(&input[in], test.input_stride, &fast[out], test.output_stride, length);
            reference_converter.convert_reference(&input[in], test.input_stride, &reference[out], test.output_stride,
                                                  length);
            done += length;
            for (std::size_t ahead = 0; ahead < 64; ++ahead) {
                const std::size_t k = lead + (static_cast<std::size_t>(done) + ahead) * out_stride + c;
                ASSERT_EQ(std::bit_cast<std::uint32_t>(fast[k]), sentinel_bits)
                    << fir_form_name(test.form) << " form, seed " << test.seed << " strides " << test.input_stride << "/"
                    << test.output_stride
                    << " channel " << c << " written " << ahead << " frames ahead of frame " << done;
            }
        }
        for (std::size_t k = 0; k < fast.size(); ++k) {
            const bool inside = k >= lead;
            const std::size_t slot = inside ? (k - lead) % out_stride : 0, frame = inside ? (k - lead) / out_stride : 0;
            const bool own = inside && slot == static_cast<std::size_t>(c) && frame < frames;
            const std::uint32_t expected = own ? std::bit_cast<std::uint32_t>(reference[k]) : sentinel_bits;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(fast[k]), expected)
                << fir_form_name(test.form) << " form, seed " << test.seed << " strides " << test.input_stride << "/"
                << test.output_stride << " channel "
                << c << " lead " << lead << " float " << k << " (frame " << frame << " slot " << slot << ")";
        }
    }
}

} // namespace

TEST(dsd_converter_fast_form, interleaved_channels_equal_reference_bit_for_bit)
{
    // Strides 1…8, 13, 16 (the largest the AVX-512 form takes as whole vectors), 17 and 40 (taken one by one):
    // in every form this processor runs, every channel's outputs equal the reference bit for bit, and the other
    // channels' slots keep the sentinel.
    const int strides[] = {1, 2, 3, 4, 5, 6, 7, 8, 13, 16, 17, 40};
    for (const fir_form form : supported_forms()) {
        for (int stride : strides) {
            expect_strided_conversion_equal(
                {form, static_cast<std::uint32_t>(stride), stride, stride, 60000 / stride + 777});
        }
    }
}

TEST(dsd_converter_fast_form, input_and_output_strides_are_independent)
{
    // Gathering and writing each take their own path: any pairing of strides gives the reference's bits.
    const std::pair<int, int> pairs[] = {{1, 6}, {6, 1}, {2, 13}, {13, 2}, {17, 3}, {3, 17}, {16, 40}, {40, 16}};
    for (const fir_form form : supported_forms()) {
        for (const auto& [in, out] : pairs) {
            expect_strided_conversion_equal({form, static_cast<std::uint32_t>(100 * in + out), in, out, 5000});
        }
    }
}

TEST(dsd_converter_fast_form, equals_reference_bit_for_bit)
{
    // Every form this processor runs: random bytes mixed with long constant stretches, block sizes around the
    // 4-output group, the 64-output group and the 1024-byte pass, strides 1…8, resets, and one converter
    // alternating with the reference form, all bit for bit equal to the reference.
    const std::int32_t sizes[] = {1,  2,   3,   4,   5,    15,   16,   17,   63,   64,
                                  65, 127, 128, 129, 1000, 1023, 1024, 1025, 2048, 3001};
    for (const fir_form form_under_test : supported_forms()) {
        for (std::uint32_t seed = 1; seed <= 16; ++seed) {
            std::mt19937 random(seed);
            const int channels = static_cast<int>(seed % 8) + 1;
            const std::int32_t frames = 30000;
            const std::vector<std::uint8_t> input =
                stream_bytes(random, static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
            std::vector<float> fast(input.size()), reference(input.size()), mixed(input.size());
            for (int c = 0; c < channels; ++c) {
                dsd_converter fast_converter(form_under_test), reference_converter, mixed_converter(form_under_test);
                std::size_t offset = static_cast<std::size_t>(c);
                for (std::int32_t done = 0, block = 0; done < frames; ++block) {
                    const std::int32_t length = std::min(sizes[random() % std::size(sizes)], frames - done);
                    if (random() % 20 == 0) {
                        fast_converter.reset();
                        reference_converter.reset();
                        mixed_converter.reset();
                    }
                    fast_converter.convert(&input[offset], channels, &fast[offset], channels, length);
                    reference_converter.convert_reference(&input[offset], channels, &reference[offset], channels,
                                                          length);
                    auto form = block % 2 == 0 ? &dsd_converter::convert : &dsd_converter::convert_reference;
                    (mixed_converter.*form)(&input[offset], channels, &mixed[offset], channels, length);
                    offset += static_cast<std::size_t>(length) * static_cast<std::size_t>(channels);
                    done += length;
                }
            }
            for (std::size_t k = 0; k < input.size(); ++k) {
                ASSERT_EQ(std::bit_cast<std::uint32_t>(fast[k]), std::bit_cast<std::uint32_t>(reference[k]))
                    << fir_form_name(form_under_test) << " form, seed " << seed << " channels " << channels << " frame "
                    << k / channels << " channel "
                    << k % channels;
                ASSERT_EQ(std::bit_cast<std::uint32_t>(mixed[k]), std::bit_cast<std::uint32_t>(reference[k]))
                    << fir_form_name(form_under_test) << " form alternating, seed " << seed << " channels " << channels
                    << " frame " << k / channels;
            }
        }
    }
}
