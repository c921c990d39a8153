#include "dsd2pcm/dsd_converter.h"
#include "dsd2pcm/fir_coefficients.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<std::uint8_t>;
using convert_form = void (dsd_converter::*)(const std::uint8_t*, std::ptrdiff_t, float*, std::ptrdiff_t,
                                             std::int32_t);

struct form {
    const char* name;
    convert_form convert;
};

void PrintTo(const form& value, std::ostream* out) { *out << value.name; }

class dsd_converter_form : public testing::TestWithParam<form> {
protected:
    std::vector<float> run(dsd_converter& converter, const bytes& input) const
    {
        std::vector<float> output(input.size());
        (converter.*GetParam().convert)(input.data(), 1, output.data(), 1, static_cast<std::int32_t>(input.size()));
        return output;
    }
    std::vector<float> run(const bytes& input) const
    {
        dsd_converter converter;
        return run(converter, input);
    }
};

bytes repeated(std::uint8_t value, std::size_t count) { return bytes(count, value); }

// The 128-tap filter evaluated bit by bit in double precision: output n is
// centred between bit 8(n−7)−1 and bit 8(n−7) of the stream, bits before the
// stream being the idle pattern 1,0,1,0,…
double direct_output(const bytes& stream, std::int64_t n)
{
    auto bit = [&](std::int64_t t) {
        const std::int64_t index = t >= 0 ? t / 8 : -((-t + 7) / 8);
        const std::uint8_t value = index < 0 ? 0xAA : stream[static_cast<std::size_t>(index)];
        const std::int64_t position = t - 8 * index; // 0 = most significant = earliest
        return ((value >> (7 - position)) & 1) != 0 ? 1.0 : -1.0;
    };
    const std::int64_t centre = 8 * (n - 7);
    double sum = 0.0;
    for (std::int64_t k = 0; k < 64; ++k) {
        sum += fir_coefficients[static_cast<std::size_t>(k)] * (bit(centre + k) + bit(centre - 1 - k));
    }
    return sum;
}

} // namespace

TEST_P(dsd_converter_form, idle_pattern_gives_zero_from_first_output)
{
    // A stream of 0xAA after reset is exactly 0.0 throughout.
    for (float value : run(repeated(0xAA, 100))) ASSERT_EQ(value, 0.0f);
}

TEST_P(dsd_converter_form, constant_streams_settle_to_dc_gain)
{
    // All ones and all zeros fade in from the idle pattern and settle at ±1.99392176 from output 15.
    const std::vector<float> ones = run(repeated(0xFF, 64));
    EXPECT_FLOAT_EQ(ones[0], -2.5204713e-06f);
    EXPECT_EQ(ones[1], -0.000284261827f);
    EXPECT_EQ(ones[2], -0.00479628285f);
    EXPECT_NE(ones[14], 1.99392176f);
    for (std::size_t n = 15; n < ones.size(); ++n) ASSERT_EQ(ones[n], 1.99392176f) << "output " << n;

    const std::vector<float> zeros = run(repeated(0x00, 64));
    EXPECT_EQ(zeros[0], 5.58374222e-06f);
    for (std::size_t n = 15; n < zeros.size(); ++n) ASSERT_EQ(zeros[n], -1.99392176f) << "output " << n;
}

TEST_P(dsd_converter_form, symmetric_pattern_cancels_once_window_is_full)
{
    // 0x69 is its own reversed complement: non-zero while mixed with the idle pattern, then exactly 0.0.
    const std::vector<float> output = run(repeated(0x69, 40));
    for (std::size_t n = 0; n < 15; ++n) EXPECT_NE(output[n], 0.0f) << "output " << n;
    const auto largest = std::max_element(output.begin(), output.begin() + 15,
                                          [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    EXPECT_EQ(largest - output.begin(), 7);
    EXPECT_EQ(std::fabs(*largest), 0.0476458259f);
    for (std::size_t n = 15; n < output.size(); ++n) ASSERT_EQ(output[n], 0.0f) << "output " << n;
}

TEST_P(dsd_converter_form, single_byte_reaches_sixteen_outputs)
{
    // One 0xFF at position 3 of an idle stream changes outputs 3 … 18 only, most at 10 and 11.
    bytes input = repeated(0xAA, 40);
    input[3] = 0xFF;
    const std::vector<float> output = run(input);
    for (std::size_t n = 0; n < output.size(); ++n) {
        if (n >= 3 && n <= 18) {
            EXPECT_NE(output[n], 0.0f) << "output " << n;
        } else {
            EXPECT_EQ(output[n], 0.0f) << "output " << n;
        }
    }
    const float peak = std::max(output[10], output[11]);
    for (std::size_t n = 0; n < output.size(); ++n) {
        if (n != 10 && n != 11) {
            EXPECT_LT(output[n], peak) << "output " << n;
        }
    }
}

TEST_P(dsd_converter_form, matches_direct_bit_by_bit_filter)
{
    // Random bytes: every output within 1e-6 of the 128-tap filter evaluated bit by bit.
    std::mt19937 random(1234);
    bytes input(3000);
    for (auto& b : input) b = static_cast<std::uint8_t>(random());
    // Include runs of constant and idle bytes, where the table rounding could show most.
    std::fill(input.begin() + 1000, input.begin() + 1100, 0xFF);
    std::fill(input.begin() + 2000, input.begin() + 2100, 0xAA);
    const std::vector<float> output = run(input);
    for (std::size_t n = 0; n < input.size(); ++n) {
        ASSERT_NEAR(output[n], direct_output(input, static_cast<std::int64_t>(n)), 1e-6) << "output " << n;
    }
}

TEST_P(dsd_converter_form, non_positive_count_changes_nothing)
{
    // count 0 or −5 writes no output and leaves the state as it was.
    const bytes input = {0x12, 0xF0, 0x3C, 0x99, 0x00, 0xFF, 0x5A, 0x81, 0x7E, 0x11, 0x22, 0x33};
    dsd_converter converter;
    std::vector<float> head(4);
    (converter.*GetParam().convert)(input.data(), 1, head.data(), 1, 4);
    std::vector<float> untouched(4, 123.0f);
    (converter.*GetParam().convert)(input.data() + 4, 1, untouched.data(), 1, 0);
    (converter.*GetParam().convert)(input.data() + 4, 1, untouched.data(), 1, -5);
    for (float value : untouched) EXPECT_EQ(value, 123.0f);
    std::vector<float> tail(input.size() - 4);
    (converter.*GetParam().convert)(input.data() + 4, 1, tail.data(), 1, static_cast<std::int32_t>(tail.size()));
    const std::vector<float> whole = run(input);
    for (std::size_t n = 4; n < input.size(); ++n) EXPECT_EQ(tail[n - 4], whole[n]) << "output " << n;
}

TEST_P(dsd_converter_form, strides_select_one_channel_of_interleaved_block)
{
    // Channel 1 of a stereo block reads bytes 1, 3, 5 … and writes samples 1, 3, 5 … only.
    std::mt19937 random(77);
    bytes left(500), right(500), interleaved;
    for (std::size_t k = 0; k < left.size(); ++k) {
        left[k] = static_cast<std::uint8_t>(random());
        right[k] = static_cast<std::uint8_t>(random());
        interleaved.push_back(left[k]);
        interleaved.push_back(right[k]);
    }
    std::vector<float> output(interleaved.size(), 123.0f);
    dsd_converter converter;
    (converter.*GetParam().convert)(interleaved.data() + 1, 2, output.data() + 1, 2, 500);
    const std::vector<float> expected = run(right);
    for (std::size_t k = 0; k < 500; ++k) {
        ASSERT_EQ(output[2 * k], 123.0f) << "sample " << k;
        ASSERT_EQ(output[2 * k + 1], expected[k]) << "sample " << k;
    }
}

TEST_P(dsd_converter_form, reset_mid_stream_behaves_like_fresh_converter)
{
    // After reset the outputs equal those of a new converter fed the same bytes.
    std::mt19937 random(5);
    bytes first(333), second(444);
    for (auto& b : first) b = static_cast<std::uint8_t>(random());
    for (auto& b : second) b = static_cast<std::uint8_t>(random());
    dsd_converter converter;
    run(converter, first);
    converter.reset();
    EXPECT_EQ(run(converter, second), run(second));
}

INSTANTIATE_TEST_SUITE_P(forms, dsd_converter_form,
                         testing::Values(form{"convert", &dsd_converter::convert},
                                         form{"reference", &dsd_converter::convert_reference}),
                         [](const testing::TestParamInfo<form>& param) { return std::string(param.param.name); });
