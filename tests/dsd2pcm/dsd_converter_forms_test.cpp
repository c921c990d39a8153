#include "dsd2pcm/dsd_converter.h"
#include "supported_forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// One random run: an interleaved stream of `channels` channels cut into random
// blocks (some empty), with resets at random block boundaries.
struct stream_case {
    std::uint32_t seed;
    int channels;
};

struct block {
    std::int32_t frames;
    bool reset_before;
};

std::vector<block> random_blocks(std::mt19937& random, std::int32_t total_frames)
{
    std::vector<block> blocks;
    for (std::int32_t done = 0; done < total_frames;) {
        const std::uint32_t kind = random() % 8;
        std::int32_t frames = kind == 0   ? 0
                              : kind == 1 ? static_cast<std::int32_t>(random() % 3000)
                                          : static_cast<std::int32_t>(random() % 40) + 1;
        frames = std::min(frames, total_frames - done);
        blocks.push_back({frames, random() % 16 == 0});
        done += frames;
    }
    return blocks;
}

} // namespace

TEST(dsd_converter_forms, every_form_equals_reference_bit_for_bit)
{
    // Random bytes, block sizes, strides 1..6 and resets: each form this processor runs, the reference form
    // and an alternation of the two give identical bits.
    for (const fir_form form_under_test : supported_forms()) {
        for (std::uint32_t seed = 1; seed <= 12; ++seed) {
            std::mt19937 random(seed);
            const int channels = static_cast<int>(seed % 6) + 1;
            const std::int32_t frames = 20000;
            std::vector<std::uint8_t> input(static_cast<std::size_t>(frames * channels));
            for (std::size_t k = 0; k < input.size(); ++k) {
                // Stretches of constant bytes between random ones, as real streams have.
                input[k] = (k / 997) % 3 == 0 ? 0x69 : static_cast<std::uint8_t>(random());
            }
            const std::vector<block> blocks = random_blocks(random, frames);

            std::vector<float> by_block(input.size()), by_reference(input.size()), mixed(input.size());
            for (int c = 0; c < channels; ++c) {
                dsd_converter fast(form_under_test), reference, alternating(form_under_test);
                std::size_t offset = static_cast<std::size_t>(c);
                std::size_t block_index = 0;
                for (const block& b : blocks) {
                    if (b.reset_before) {
                        fast.reset();
                        reference.reset();
                        alternating.reset();
                    }
                    fast.convert(&input[offset], channels, &by_block[offset], channels, b.frames);
                    reference.convert_reference(&input[offset], channels, &by_reference[offset], channels, b.frames);
                    // The alternating converter switches form every block, sharing one state.
                    auto form = block_index++ % 2 == 0 ? &dsd_converter::convert : &dsd_converter::convert_reference;
                    (alternating.*form)(&input[offset], channels, &mixed[offset], channels, b.frames);
                    offset += static_cast<std::size_t>(b.frames * channels);
                }
            }
            for (std::size_t k = 0; k < input.size(); ++k) {
                ASSERT_EQ(std::bit_cast<std::uint32_t>(by_block[k]), std::bit_cast<std::uint32_t>(by_reference[k]))
                    << fir_form_name(form_under_test) << " form, seed " << seed << " channels " << channels << " frame "
                    << k / channels << " channel " << k % channels;
                ASSERT_EQ(std::bit_cast<std::uint32_t>(mixed[k]), std::bit_cast<std::uint32_t>(by_reference[k]))
                    << fir_form_name(form_under_test) << " form alternating, seed " << seed << " channels " << channels
                    << " frame " << k / channels << " channel " << k % channels;
            }
        }
    }
}

TEST(dsd_converter_forms, blocks_equal_one_pass)
{
    // Without resets, converting in random blocks equals converting the whole stream at once, in every form.
    for (const fir_form form_under_test : supported_forms()) {
        for (std::uint32_t seed = 100; seed < 104; ++seed) {
            std::mt19937 random(seed);
            std::vector<std::uint8_t> input(50000);
            for (auto& b : input) b = static_cast<std::uint8_t>(random());
            std::vector<float> whole(input.size()), pieces(input.size());
            dsd_converter one_pass(form_under_test), in_blocks(form_under_test);
            one_pass.convert(input.data(), 1, whole.data(), 1, static_cast<std::int32_t>(input.size()));
            std::size_t offset = 0;
            for (const block& b : random_blocks(random, static_cast<std::int32_t>(input.size()))) {
                in_blocks.convert(&input[offset], 1, &pieces[offset], 1, b.frames);
                offset += static_cast<std::size_t>(b.frames);
            }
            for (std::size_t k = 0; k < input.size(); ++k) {
                ASSERT_EQ(std::bit_cast<std::uint32_t>(pieces[k]), std::bit_cast<std::uint32_t>(whole[k]))
                    << fir_form_name(form_under_test) << " form, seed " << seed << " output " << k;
            }
        }
    }
}
