// Prediction filters and table coding: the fast prediction equals its
// reference form, estimated filters predict tones, and the bit counts the
// automatic coding choice relies on match what is written.
#include "dst_encoder/bit_writer.h"
#include "dst_encoder/prediction.h"
#include "dst_encoder/table_coding.h"
#include "test_signals.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace dst_encoder;

TEST(dst_prediction, fast_form_equals_reference_form)
{
    std::mt19937_64 rng(3);
    const int bytes = 300;
    const auto input = dst_test::noise_dsd(2 * bytes, 11);
    const channel_bits bits(input, 2, 1, bytes);
    for (int order = 1; order <= 128; ++order) {
        std::vector<int> coef(static_cast<std::size_t>(order));
        for (int& c : coef) c = std::uniform_int_distribution<int>(-256, 255)(rng);
        // Ranges that start at the frame start (assumed history) and inside it.
        const int begin = order % 3 == 0 ? 0 : std::uniform_int_distribution<int>(0, 1000)(rng);
        const int end = std::uniform_int_distribution<int>(begin, bits.size())(rng);
        std::vector<std::int32_t> fast(static_cast<std::size_t>(bits.size()), 0), reference = fast;
        predict(bits, begin, end, coef, fast);
        predict_reference(bits, begin, end, coef, reference);
        for (int j = begin; j < end; ++j)
            ASSERT_EQ(fast[static_cast<std::size_t>(j)], reference[static_cast<std::size_t>(j)]) << "order " << order << " bit " << j;
    }
}

TEST(dst_prediction, estimated_filter_predicts_most_bits_of_a_tone)
{
    const int bytes = 4704;
    const auto input = dst_test::tone_dsd(1, 64, bytes, 1000.0);
    const channel_bits bits(input, 1, 0, bytes);
    for (int order : {1, 8, 64, 128}) {
        std::vector<double> r(static_cast<std::size_t>(order) + 1, 0.0);
        add_autocorrelation(bits, 0, bits.size(), r);
        const std::vector<int> coef = estimate_filter(r);
        ASSERT_EQ(coef.size(), static_cast<std::size_t>(order));
        std::vector<std::int32_t> pred(static_cast<std::size_t>(bits.size()));
        predict(bits, 0, bits.size(), coef, pred);
        int right = 0;
        for (int j = 0; j < bits.size(); ++j) right += (pred[static_cast<std::size_t>(j)] >= 0) == (bits.bit(j) == 1);
        std::cout << "order " << order << ": " << right << " of " << bits.size() << " bits predicted\n";
        // A one-tap filter barely helps on second-order noise shaping; long ones get most bits right.
        EXPECT_GT(right, bits.size() * (order >= 64 ? 85 : 55) / 100) << "order " << order;
    }
}

TEST(dst_table_coding, predicted_bit_counts_match_the_written_bits)
{
    std::mt19937_64 rng(5);
    for (int round = 0; round < 200; ++round) {
        const bool filter = round % 2 == 0;
        const int length = std::uniform_int_distribution<int>(1, filter ? 128 : 64)(rng);
        std::vector<int> e(static_cast<std::size_t>(length));
        int v = filter ? 100 : 64;
        for (int& x : e) {
            // Smooth walks (what predictors like) mixed with jumps.
            v += std::uniform_int_distribution<int>(round % 4 == 1 ? -200 : -6, round % 4 == 1 ? 200 : 6)(rng);
            v = filter ? std::clamp(v, -256, 255) : std::clamp(v, 1, 128);
            x = v;
        }
        for (auto wanted : {table_coding::automatic, table_coding::plain, table_coding::method_0,
                            table_coding::method_1, table_coding::method_2}) {
            bit_writer out;
            const table_kind kind = filter ? table_kind::filter : table_kind::ptable;
            if (filter) write_filter(out, e, wanted);
            else write_ptable(out, e, wanted);
            const table_coding used = resolve_coding(kind, e, wanted);
            EXPECT_EQ(static_cast<long>(out.bit_count()), definition_bits(kind, e, used))
                << "round " << round << " length " << length << " wanted " << static_cast<int>(wanted);
            if (wanted == table_coding::automatic) {
                for (auto other : {table_coding::plain, table_coding::method_0, table_coding::method_1, table_coding::method_2})
                    EXPECT_LE(definition_bits(kind, e, used), definition_bits(kind, e, resolve_coding(kind, e, other)));
            }
        }
    }
}

TEST(dst_table_coding, rice_code_layout)
{
    // 10 with m = 2: quotient 2 as "001", remainder "10", sign "0".
    bit_writer out;
    write_rice(out, 10, 2);
    EXPECT_EQ(out.bit_count(), 6U);
    EXPECT_EQ(out.bytes()[0], 0b00110000);
    EXPECT_EQ(rice_bits(10, 2), 6);
    // 0 has no sign bit; -1 with m = 0 is "01" then sign "1".
    bit_writer zero;
    write_rice(zero, 0, 0);
    EXPECT_EQ(zero.bit_count(), 1U);
    bit_writer minus;
    write_rice(minus, -1, 0);
    EXPECT_EQ(minus.bit_count(), 3U);
    EXPECT_EQ(minus.bytes()[0], 0b01100000);
}

} // namespace
