// The arithmetic encoder against a model of the frame decoder's arithmetic
// decoder, written from its description (restart, decode step, end check).
#include "dst_encoder/arith_encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

class model_decoder {
public:
    explicit model_decoder(std::vector<std::uint8_t> code) : adata_(std::move(code))
    {
        range_ = 4095;
        code_ = 0;
        read_pos_ = 1;
        for (int i = 0; i < 12; ++i) code_ = 2 * code_ + next();
    }
    int decode(int p)
    {
        const std::uint32_t q = static_cast<std::uint32_t>(p) * ((range_ >> 8) | ((range_ >> 7) & 1U));
        const std::uint32_t h = range_ - q;
        int bit = 0;
        if (code_ >= h) {
            bit = 1;
            code_ -= h;
            range_ = q;
        } else {
            range_ = h;
        }
        while (range_ < 2048) {
            range_ *= 2;
            code_ = 2 * code_ + next();
        }
        return bit;
    }
    // At most 7 code bits left unread, none of them 1.
    bool ended_properly() const
    {
        const long length = static_cast<long>(adata_.size());
        if (read_pos_ < length - 7) return false;
        for (long i = read_pos_; i < length; ++i)
            if (adata_[static_cast<std::size_t>(i)] != 0) return false;
        return true;
    }

private:
    std::uint32_t next()
    {
        const std::uint32_t bit = read_pos_ < static_cast<long>(adata_.size()) ? adata_[static_cast<std::size_t>(read_pos_)] : 0;
        ++read_pos_;
        return bit;
    }
    std::vector<std::uint8_t> adata_;
    std::uint32_t code_ = 0, range_ = 0;
    long read_pos_ = 0;
};

struct coded_sequence {
    std::vector<int> bits, probabilities;
};

coded_sequence random_sequence(std::uint64_t seed, std::size_t length)
{
    std::mt19937_64 rng(seed);
    coded_sequence s;
    const int style = static_cast<int>(seed % 4);
    for (std::size_t i = 0; i < length; ++i) {
        // Styles: probabilities anywhere; all at 1 (long carry chains); all at 128; skewed data.
        int p = style == 1 ? 1 : style == 2 ? 128 : static_cast<int>(rng() % 128) + 1;
        const double chance = style == 3 ? 0.05 : p / 256.0;
        s.probabilities.push_back(p);
        s.bits.push_back(std::uniform_real_distribution<double>(0, 1)(rng) < chance ? 1 : 0);
        if (style == 1 && i % 97 == 0) s.bits.back() = 1;
    }
    return s;
}

TEST(arith_encoder, decoder_model_reads_back_every_bit_and_accepts_the_end)
{
    for (std::uint64_t seed = 0; seed < 200; ++seed) {
        const coded_sequence s = random_sequence(seed, 1 + seed * 37 % 5000);
        dst_encoder::arith_encoder encoder;
        for (std::size_t i = 0; i < s.bits.size(); ++i) encoder.encode(s.bits[i], s.probabilities[i]);
        const std::vector<std::uint8_t> code = encoder.finish();
        if (!code.empty()) {
            ASSERT_EQ(code[0], 0) << "seed " << seed;
        }

        // The frame pads the code with up to 7 zero bits to its byte boundary.
        for (std::size_t pad = 0; pad < 8; ++pad) {
            std::vector<std::uint8_t> adata = code;
            adata.resize(code.size() + pad, 0);
            model_decoder decoder(adata);
            for (std::size_t i = 0; i < s.bits.size(); ++i)
                ASSERT_EQ(decoder.decode(s.probabilities[i]), s.bits[i]) << "seed " << seed << " bit " << i << " pad " << pad;
            EXPECT_TRUE(decoder.ended_properly()) << "seed " << seed << " pad " << pad;
        }
    }
}

TEST(arith_encoder, code_length_is_close_to_the_information_content)
{
    std::mt19937_64 rng(7);
    dst_encoder::arith_encoder encoder;
    double information = 0;
    const int count = 200000;
    for (int i = 0; i < count; ++i) {
        const int p = 20;
        const int bit = std::uniform_int_distribution<int>(0, 255)(rng) < p ? 1 : 0;
        information += -std::log2(bit ? p / 256.0 : 1 - p / 256.0);
        encoder.encode(bit, p);
    }
    const double length = static_cast<double>(encoder.finish().size());
    std::cout << "code bits " << length << " for " << information << " bits of information\n";
    // The 4-bit approximation of the range costs a little; more than 3% means a fault.
    EXPECT_LT(length, information * 1.03);
    EXPECT_GT(length, information * 0.97);
}

TEST(arith_encoder, finish_resets_for_the_next_frame)
{
    dst_encoder::arith_encoder encoder;
    for (int i = 0; i < 100; ++i) encoder.encode(i % 3 == 0, 50);
    const std::vector<std::uint8_t> first = encoder.finish();
    for (int i = 0; i < 100; ++i) encoder.encode(i % 3 == 0, 50);
    EXPECT_EQ(encoder.finish(), first);
}

} // namespace
