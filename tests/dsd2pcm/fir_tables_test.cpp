#include "dsd2pcm/fir_coefficients.h"
#include "dsd2pcm/fir_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

std::vector<float> tables()
{
    std::vector<float> result(8 * 256);
    build_byte_tables(result);
    return result;
}

} // namespace

TEST(fir_coefficients, sum_gives_dc_gain)
{
    // Checks the table against its stated sum (catches a mistyped constant's magnitude).
    double sum = 0.0;
    for (float c : fir_coefficients) sum += c;
    EXPECT_NEAR(sum, 0.996960873, 5e-9);
}

TEST(fir_tables, complement_byte_is_exact_negative)
{
    // Entry v and entry 255−v of every table are exact negatives.
    const std::vector<float> t = tables();
    for (int i = 0; i < 8; ++i) {
        for (int v = 0; v < 256; ++v) {
            ASSERT_EQ(t[i * 256 + v], -t[i * 256 + (255 - v)]) << "table " << i << " value " << v;
        }
    }
}

TEST(fir_tables, entries_equal_signed_coefficient_sums)
{
    // Each entry is the double sum of ±coefficients (bit 7 first) rounded to float.
    const std::vector<float> t = tables();
    EXPECT_EQ(t[255], 0.699608624f);
    for (int i = 0; i < 8; ++i) {
        for (int v = 0; v < 256; ++v) {
            double sum = 0.0;
            for (int j = 0; j < 8; ++j) {
                const double c = fir_coefficients[8 * i + j];
                sum += ((v >> (7 - j)) & 1) != 0 ? c : -c;
            }
            ASSERT_EQ(t[i * 256 + v], static_cast<float>(sum)) << "table " << i << " value " << v;
        }
    }
}

TEST(fir_tables, bit_reverse_mirrors_bits)
{
    // Entry v has bit k of v at bit 7−k; reversing twice gives v back.
    std::array<std::uint8_t, 256> reverse{};
    build_bit_reverse(reverse);
    EXPECT_EQ(reverse[0x01], 0x80);
    EXPECT_EQ(reverse[0xAA], 0x55);
    EXPECT_EQ(reverse[0x69], 0x96);
    EXPECT_EQ(reverse[0xF0], 0x0F);
    for (int v = 0; v < 256; ++v) {
        for (int k = 0; k < 8; ++k) {
            ASSERT_EQ((v >> k) & 1, (reverse[v] >> (7 - k)) & 1) << "value " << v << " bit " << k;
        }
    }
}
