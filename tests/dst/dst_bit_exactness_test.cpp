#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dst/dst_frame_decoder.h"
#include "dst_decode_result.h"
#include "dst_encoder/encoder_options.h"
#include "dst_encoder/frame_encoder.h"
#include "dst_frame_writer.h"
#include "dst_random_frame.h"

namespace {

using form_t = dst_frame_decoder::reconstruction;

struct frame_context {
    unsigned seed;
    int channels;
    int rate_factor;
    const char* variant;
};

std::string describe(const frame_context& c, const dst_coded_frame_desc& frame)
{
    std::ostringstream s;
    s << "seed " << c.seed << ", " << c.channels << " channels, rate factor " << c.rate_factor << ", " << c.variant
      << ", filters " << frame.filters.size() << " (first order " << frame.filters[0].values.size() << ", method "
      << frame.filters[0].method << "), ptables " << frame.ptables.size() << ", code bits " << frame.adata.size();
    return s.str();
}

std::string first_difference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int channels)
{
    const auto mismatch = std::ranges::mismatch(a, b);
    if (mismatch.in1 == a.end())
        return "none";
    const auto index = static_cast<std::size_t>(mismatch.in1 - a.begin());
    std::ostringstream s;
    s << "byte " << index << " (channel " << index % static_cast<std::size_t>(channels) << ", bits from "
      << 8 * (index / static_cast<std::size_t>(channels)) << "): fast " << int{*mismatch.in1} << ", reference "
      << int{*mismatch.in2};
    return s.str();
}

constexpr form_t fast_forms[] = {form_t::fast, form_t::fast_portable, form_t::fast_wide};

const char* form_name(form_t form)
{
    switch (form) {
    case form_t::fast: return "fast";
    case form_t::fast_portable: return "fast_portable";
    case form_t::fast_wide: return "fast_wide";
    case form_t::reference: return "reference";
    }
    return "?";
}

// Decodes with the reference form and every fast form and compares status, error, code position
// and bytes. Returns the reference result.
dst_decode_result compare_forms(dst_frame_decoder& decoder, const dst_coded_frame_desc& frame,
                                const frame_context& context)
{
    const auto bytes = coded_frame_bytes(frame);
    const auto reference = decode_with(decoder, bytes, form_t::reference);
    for (const form_t form : fast_forms) {
        const auto fast = decode_with(decoder, bytes, form);
        const std::string where = std::string(form_name(form)) + ", " + describe(context, frame);
        EXPECT_EQ(fast.error, reference.error) << where;
        EXPECT_EQ(fast.status, reference.status) << where;
        EXPECT_EQ(fast.code_bits_read, reference.code_bits_read) << where;
        EXPECT_TRUE(fast.out == reference.out) << where << "; first difference at "
                                               << first_difference(fast.out, reference.out, context.channels);
    }
    return reference;
}

struct status_counts {
    int ok = 0;
    int ended_wrongly = 0;
    void add(int status) { (status == 0 ? ok : ended_wrongly) += 1; }
};

}  // namespace

// Random frames of valid syntax give identical results from the fast and the reference form,
// including the status; every filter order 1..128 is covered.
TEST(dst_reconstruction, fast_form_matches_reference_on_random_frames)
{
    constexpr int channel_choices[] = {1, 2, 3, 6};
    constexpr int rate_choices[] = {4, 8, 16, 64};
    status_counts statuses;
    for (unsigned seed = 0; seed < 256; ++seed) {
        std::mt19937 rng(seed);
        const int channels = channel_choices[seed % 4];
        // Full-size frames now and then; small ones keep the reference form quick.
        const int rate_factor = seed % 16 == 0 ? 64 : rate_choices[(seed / 4) % 3];
        dst_frame_decoder decoder;
        decoder.create(channels, rate_factor);
        const std::int32_t bytes = static_cast<std::int32_t>(decoder.bytes_per_channel());

        const int order = static_cast<int>(seed % 128) + 1;
        dst_coded_frame_desc frame = random_coded_frame(rng, channels, bytes, {order});
        const auto reference = compare_forms(decoder, frame, {seed, channels, rate_factor, "random code"});
        ASSERT_EQ(reference.error, "") << "seed " << seed << ": the generator must write valid syntax";
        statuses.add(reference.status);

        // The same code cut to end a few bits around where decoding stops: both ways of
        // ending, decided by the last few bits.
        const std::int64_t stop = reference.code_bits_read;
        const std::int64_t length = std::max<std::int64_t>(1, stop + std::uniform_int_distribution<int>(-4, 9)(rng));
        if (length <= 8LL * channels * bytes - 7) {
            frame.adata.resize(static_cast<std::size_t>(length), 0);
            const auto cut = compare_forms(decoder, frame, {seed, channels, rate_factor, "code cut near its end"});
            statuses.add(cut.status);
        }
    }
    // Both outcomes must have been exercised for the comparison to mean something.
    EXPECT_GT(statuses.ok, 50);
    EXPECT_GT(statuses.ended_wrongly, 50);
}

// Extreme filters: all −256 or all 255 at the orders where group boundaries and the ring wrap lie.
TEST(dst_reconstruction, fast_form_matches_reference_with_extreme_coefficients)
{
    unsigned seed = 1000;
    for (int order : {1, 7, 8, 9, 16, 63, 64, 65, 120, 127, 128}) {
        for (std::int32_t value : {-256, 255}) {
            // Each channel count with a form of its own, and one in the general form.
            for (int channels : {1, 2, 3, 6}) {
                std::mt19937 rng(++seed);
                dst_frame_decoder decoder;
                decoder.create(channels, 8);
                const auto bytes = static_cast<std::int32_t>(decoder.bytes_per_channel());
                dst_coded_frame_desc frame = random_coded_frame(rng, channels, bytes, {order});
                for (auto& f : frame.filters) {
                    std::ranges::fill(f.values, value);
                    f.method = -1;
                }
                const std::int64_t max_code = 8LL * channels * bytes - 7;
                frame.adata = random_adata(rng, std::uniform_int_distribution<std::int64_t>(1, max_code)(rng));
                compare_forms(decoder, frame, {seed, channels, 8, value < 0 ? "all −256" : "all 255"});
            }
        }
    }
}

// Corrupted frames (valid frames with flipped bits, and random bytes) are rejected, or decoded,
// identically by both forms; nothing reads or writes outside the frame and the output.
TEST(dst_reconstruction, fast_form_matches_reference_on_corrupted_frames)
{
    int rejected = 0;
    for (unsigned seed = 5000; seed < 5200; ++seed) {
        std::mt19937 rng(seed);
        const int channels = 1 + static_cast<int>(seed % 3);
        dst_frame_decoder decoder;
        decoder.create(channels, 8);
        const auto bytes_per_channel = static_cast<std::int32_t>(decoder.bytes_per_channel());

        std::vector<std::uint8_t> bytes;
        if (seed % 4 == 0) {
            bytes.resize(std::uniform_int_distribution<std::size_t>(0, 3000)(rng));
            for (auto& b : bytes)
                b = static_cast<std::uint8_t>(rng());
            if (!bytes.empty())
                bytes[0] |= 0x80;  // coded
        } else {
            bytes = coded_frame_bytes(random_coded_frame(rng, channels, bytes_per_channel));
            const int flips = std::uniform_int_distribution<int>(1, 4)(rng);
            // Most flips land in the header and tables, where the syntax lives.
            const auto header_end = std::min<std::size_t>(bytes.size(), 64);
            for (int f = 0; f < flips; ++f)
                bytes[std::uniform_int_distribution<std::size_t>(0, header_end - 1)(rng)] ^=
                    static_cast<std::uint8_t>(1u << std::uniform_int_distribution<int>(0, 7)(rng));
            if (seed % 4 == 1)
                bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size())(rng));
        }
        const auto reference = decode_with(decoder, bytes, form_t::reference);
        for (const form_t form : fast_forms) {
            const auto fast = decode_with(decoder, bytes, form);
            const std::string where = std::string(form_name(form)) + ", seed " + std::to_string(seed) + ", " +
                                      std::to_string(bytes.size()) + " bytes";
            EXPECT_EQ(fast.error, reference.error) << where;
            EXPECT_EQ(fast.status, reference.status) << where;
            EXPECT_TRUE(fast.out == reference.out) << where;
        }
        if (!reference.error.empty()) {
            ++rejected;
            EXPECT_EQ(reference.error.back(), '!') << "seed " << seed << ": " << reference.error;
        }
    }
    EXPECT_GT(rejected, 20);
}

namespace {

// DSD of a slow sine through a first-order sigma-delta modulator, channel c a little
// louder than channel c − 1: predictable enough that the encoder writes coded frames.
std::vector<std::uint8_t> modulated_sine(int channels, std::int32_t bytes_per_channel, unsigned seed)
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(channels * bytes_per_channel), 0);
    for (int c = 0; c < channels; ++c) {
        double integrator = 0;
        const double level = 0.2 + 0.1 * c;
        const double step = 0.0003 * (1 + seed % 7);
        for (std::int32_t k = 0; k < bytes_per_channel; ++k) {
            unsigned byte = 0;
            for (int b = 0; b < 8; ++b) {
                const double x = level * std::sin(step * (8.0 * k + b) + c);
                const int y = integrator >= 0 ? 1 : -1;
                integrator += x - y;
                byte = (byte << 1) | (y > 0 ? 1u : 0u);
            }
            out[static_cast<std::size_t>(k * channels + c)] = static_cast<std::uint8_t>(byte);
        }
    }
    return out;
}

}  // namespace

// Frames written by our encoder with random mixes of its syntax features decode to the
// encoded DSD through every form.
TEST(dst_reconstruction, every_form_decodes_encoder_frames_to_their_source)
{
    int coded = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const int channels = 1 + static_cast<int>(seed % 6);
        const int rate_factor = seed % 5 == 0 ? 64 : 8;
        dst_frame_decoder decoder;
        decoder.create(channels, rate_factor);
        const auto source = modulated_sine(channels, static_cast<std::int32_t>(decoder.bytes_per_channel()), seed);
        const auto options = dst_encoder::random_options(seed, channels);
        const auto frame = dst_encoder::encode_frame(source, channels, rate_factor, options);
        const std::string where = "seed " + std::to_string(seed) + ", " + dst_encoder::describe(options);
        coded += (frame.at(0) & 0x80) != 0 ? 1 : 0;
        for (const form_t form : {form_t::reference, form_t::fast, form_t::fast_portable, form_t::fast_wide}) {
            const auto result = decode_with(decoder, frame, form);
            EXPECT_EQ(result.error, "") << form_name(form) << ", " << where;
            EXPECT_EQ(result.status, 0) << form_name(form) << ", " << where;
            EXPECT_TRUE(result.out == source) << form_name(form) << ", " << where << "; first difference at "
                                              << first_difference(result.out, source, channels);
        }
    }
    // Plain frames would test nothing here.
    EXPECT_GT(coded, 30);
}
