#include "dsd2pcm/dsd_converter.h"
#include "dsd2pcm/fir_avx512.h"
#include "dsd2pcm/fir_plane_tables.h"
#include "dsd2pcm/fir_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
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
    // Finer than 2^-44, no complement symmetry, or too large for the table's planes: no plane tables.
    const filter_tables good;
    auto finer = good;
    finer.bytes[7 * 256 + 3] = std::ldexp(1.0f, -50);
    finer.bytes[7 * 256 + 252] = -std::ldexp(1.0f, -50);
    EXPECT_EQ(finer.planes(), nullptr);
    auto asymmetric = good;
    asymmetric.bytes[3 * 256 + 10] += std::ldexp(1.0f, -20);
    EXPECT_EQ(asymmetric.planes(), nullptr);
    auto too_large = good;
    too_large.bytes[7 * 256 + 0] = 0.5f;
    too_large.bytes[7 * 256 + 255] = -0.5f;
    EXPECT_EQ(too_large.planes(), nullptr);
    EXPECT_NE(good.planes(), nullptr);
}

TEST(dsd_converter_fast_form, equals_reference_bit_for_bit)
{
    // With AVX-512 VBMI, convert runs the fast form: random bytes mixed with long 0x00, 0xFF, 0x69 and 0xAA
    // stretches, block sizes around the 64-output group and the 1024-byte pass, strides 1…8, resets, and one
    // converter alternating with the reference form, all bit for bit equal to the reference.
    if (!fir_avx512_available()) GTEST_SKIP() << "this processor lacks AVX-512 VBMI: the fast form is not used";
    const std::int32_t sizes[] = {1, 2, 15, 16, 17, 63, 64, 65, 127, 128, 129, 1000, 1023, 1024, 1025, 2048, 3001};
    const std::uint8_t stretch_bytes[] = {0x00, 0xFF, 0x69, 0xAA};
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
        std::mt19937 random(seed);
        const int channels = static_cast<int>(seed % 8) + 1;
        const std::int32_t frames = 30000;
        std::vector<std::uint8_t> input(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
        for (std::size_t k = 0; k < input.size();) {
            const std::size_t run = std::min<std::size_t>(input.size() - k, random() % 3000 + 1);
            const bool constant = random() % 2 == 0;
            const std::uint8_t value = stretch_bytes[random() % 4];
            for (std::size_t r = 0; r < run; ++r, ++k) input[k] = constant ? value : static_cast<std::uint8_t>(random());
        }
        std::vector<float> fast(input.size()), reference(input.size()), mixed(input.size());
        for (int c = 0; c < channels; ++c) {
            dsd_converter fast_converter, reference_converter, mixed_converter;
            std::size_t offset = static_cast<std::size_t>(c);
            for (std::int32_t done = 0, block = 0; done < frames; ++block) {
                const std::int32_t length = std::min(sizes[random() % std::size(sizes)], frames - done);
                if (random() % 20 == 0) {
                    fast_converter.reset();
                    reference_converter.reset();
                    mixed_converter.reset();
                }
                fast_converter.convert(&input[offset], channels, &fast[offset], channels, length);
                reference_converter.convert_reference(&input[offset], channels, &reference[offset], channels, length);
                auto form = block % 2 == 0 ? &dsd_converter::convert : &dsd_converter::convert_reference;
                (mixed_converter.*form)(&input[offset], channels, &mixed[offset], channels, length);
                offset += static_cast<std::size_t>(length) * static_cast<std::size_t>(channels);
                done += length;
            }
        }
        for (std::size_t k = 0; k < input.size(); ++k) {
            ASSERT_EQ(std::bit_cast<std::uint32_t>(fast[k]), std::bit_cast<std::uint32_t>(reference[k]))
                << "seed " << seed << " channels " << channels << " frame " << k / channels << " channel "
                << k % channels;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(mixed[k]), std::bit_cast<std::uint32_t>(reference[k]))
                << "alternating, seed " << seed << " channels " << channels << " frame " << k / channels;
        }
    }
}
