#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dst/dst_arith_decoder.h"
#include "dst/dst_frame_decoder.h"
#include "dst/dst_reconstruction.h"
#include "dst_bit_writer.h"
#include "dst_decode_result.h"
#include "dst_frame_writer.h"
#include "dst_random_frame.h"

namespace {

using form_t = dst_frame_decoder::reconstruction;
constexpr form_t both_forms[] = {form_t::fast, form_t::reference};

const char* name(form_t form) { return form == form_t::fast ? "fast" : "reference"; }

// Rate factor 4: 294 bytes, 2352 bits per channel.
constexpr int small_rate = 4;
constexpr std::int32_t small_bytes = 294;

dst_frame_decoder make_decoder(int channels, int rate_factor)
{
    dst_frame_decoder decoder;
    decoder.create(channels, rate_factor);
    return decoder;
}

dst_table_desc plain_filter(std::vector<std::int32_t> coefficients) { return {std::move(coefficients), -1, 0}; }
// A table whose first entry is 1: a prediction of 0 is decoded at p = 1/256.
dst_table_desc low_ptable() { return {{1, 1}, -1, 0}; }

// One channel, one filter, code "0": every bit equals its prediction.
std::vector<std::uint8_t> predicted_frame(std::vector<std::int32_t> coefficients, int channels = 1)
{
    return coded_frame_bytes(
        single_segment_frame(channels, small_bytes, plain_filter(std::move(coefficients)), low_ptable(), {0}));
}

// Bits of the header and tables of a frame.
std::int64_t header_bits(const dst_coded_frame_desc& frame)
{
    dst_bit_writer w;
    write_coded_header(w, frame);
    return w.bit_count();
}

// Where the arithmetic decoder ends on an all-zero code when fed these probabilities.
std::int64_t zero_code_read_position(std::uint32_t first_p, const std::vector<std::uint32_t>& ps)
{
    const std::vector<std::uint8_t> zeros(1, 0);
    dst_arith_decoder arith;
    arith.attach(zeros.data(), 1);
    arith.decode_bit(first_p);
    for (std::uint32_t p : ps)
        arith.decode_bit(p);
    return arith.read_pos;
}

}  // namespace

// A plain frame's bytes after the first pass through unchanged, whatever its ignored bit.
TEST(dst_frame_decoder, plain_frames_pass_their_bytes)
{
    dst_frame_decoder decoder = make_decoder(2, 64);
    std::mt19937 rng(11);
    std::vector<std::uint8_t> dsd(9408);
    for (auto& b : dsd)
        b = static_cast<std::uint8_t>(rng());
    for (unsigned ignored : {0u, 1u}) {
        const auto frame = plain_frame_bytes(dsd, ignored);
        ASSERT_EQ(frame[0], ignored ? 0x40 : 0x00);
        const auto r = decode_with(decoder, frame);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, dsd) << "ignored bit " << ignored;
    }
    auto longer = plain_frame_bytes(dsd);
    longer.push_back(0xEE);
    EXPECT_EQ(decode_with(decoder, longer).out, dsd);
}

// The 6 stuffing bits of a plain frame must be 0.
TEST(dst_frame_decoder, plain_frame_stuffing_must_be_zero)
{
    dst_frame_decoder decoder = make_decoder(2, 64);
    const std::vector<std::uint8_t> dsd(9408, 0x69);
    for (unsigned stuffing : {1u, 0x20u, 0x3Fu}) {
        const auto r = decode_with(decoder, plain_frame_bytes(dsd, 0, stuffing));
        EXPECT_EQ(r.error, "Illegal stuffing pattern in frame!") << "stuffing " << stuffing;
        EXPECT_EQ(r.out, std::vector<std::uint8_t>(9408, 0x5A)) << "out must stay untouched";
    }
}

// A short plain frame is completed with DSD silence (0x69), an empty frame is all silence.
TEST(dst_frame_decoder, short_plain_frame_is_completed_with_silence)
{
    dst_frame_decoder decoder = make_decoder(2, 64);
    const auto r = decode_with(decoder, plain_frame_bytes(std::vector<std::uint8_t>(100, 0x12)));
    ASSERT_EQ(r.status, 0);
    for (std::size_t i = 0; i < r.out.size(); ++i)
        ASSERT_EQ(r.out[i], i < 100 ? 0x12 : 0x69) << "byte " << i;

    for (const auto& frame : {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{0x00}}) {
        const auto empty = decode_with(decoder, frame);
        EXPECT_EQ(empty.status, 0);
        EXPECT_EQ(empty.out, std::vector<std::uint8_t>(9408, 0x69)) << frame.size() << "-byte frame";
    }
}

// With an all-zero code every bit is its prediction: a prediction of 0 predicts +1.
TEST(dst_frame_decoder, zero_code_decodes_to_the_predictions)
{
    struct {
        std::vector<std::int32_t> coefficients;
        std::uint8_t byte;
        const char* why;
    } const cases[] = {
        {{0}, 0xFF, "prediction 0 → +1 throughout"},
        {{1}, 0x00, "follows the previous bit, which starts at −1"},
        {{-1}, 0xAA, "opposes the previous bit: +1, −1, …"},
        {{0, 1}, 0xAA, "repeats the bit two back: +1 (assumed), then −1 (assumed), …"},
    };
    for (form_t form : both_forms) {
        dst_frame_decoder decoder = make_decoder(1, small_rate);
        for (const auto& c : cases) {
            const auto r = decode_with(decoder, predicted_frame(c.coefficients), form);
            EXPECT_EQ(r.status, 0) << name(form) << ": " << c.why;
            EXPECT_EQ(r.out, std::vector<std::uint8_t>(small_bytes, c.byte)) << name(form) << ": " << c.why;
        }
    }
}

// An order-128 filter reaches the bit 128 back: the whole ring, wrapping around.
TEST(dst_frame_decoder, order_128_filter_uses_the_whole_history)
{
    // Only the last coefficient, −1: each bit opposes the one 128 back. The assumed past has
    // −1 128 back at even positions, so the first 128 bits alternate −1, +1 (0x55) and each
    // following 128 bits invert the ones before.
    std::vector<std::int32_t> coefficients(128, 0);
    coefficients[127] = -1;
    for (form_t form : both_forms) {
        dst_frame_decoder decoder = make_decoder(1, small_rate);
        const auto r = decode_with(decoder, predicted_frame(coefficients), form);
        ASSERT_EQ(r.status, 0) << name(form);
        for (std::size_t k = 0; k < r.out.size(); ++k)
            ASSERT_EQ(r.out[k], (k / 16) % 2 == 0 ? 0x55 : 0xAA) << name(form) << ", byte " << k;
    }
}

// Channels keep their own history and filters, and their bytes interleave.
TEST(dst_frame_decoder, channels_decode_independently_and_interleave)
{
    dst_coded_frame_desc frame = single_segment_frame(2, small_bytes, plain_filter({-1}), low_ptable(), {0});
    frame.filter_map = {false, {{0}, {1}}};
    frame.filters.push_back(plain_filter({1}));
    frame.ptable_same_map_as_filter = false;
    frame.ptable_map = {true, {{0}}};
    for (form_t form : both_forms) {
        dst_frame_decoder decoder = make_decoder(2, small_rate);
        const auto r = decode_with(decoder, coded_frame_bytes(frame), form);
        ASSERT_EQ(r.status, 0) << name(form);
        for (std::size_t i = 0; i < r.out.size(); ++i)
            ASSERT_EQ(r.out[i], i % 2 == 0 ? 0xAA : 0x00) << name(form) << ", byte " << i;
    }
}

// Bits pack earliest first, 1 for +1: +1, −1 × 6, +1 is 0x81; channels interleave byte by byte.
TEST(pack_dsd_bits, packs_earliest_bit_first_and_interleaves)
{
    dst_matrix<std::int8_t> bits;
    bits.assign(2, 16, -1);
    const std::int8_t first[8] = {1, -1, -1, -1, -1, -1, -1, 1};
    for (std::size_t b = 0; b < 8; ++b)
        bits(0, b) = first[b];
    bits(1, 8) = 1;
    bits(0, 15) = 1;
    std::uint8_t out[4] = {};
    pack_dsd_bits(bits, 2, 2, out);
    EXPECT_EQ(out[0], 0x81);  // channel 0, byte 0
    EXPECT_EQ(out[1], 0x00);  // channel 1, byte 0
    EXPECT_EQ(out[2], 0x01);  // channel 0, byte 1
    EXPECT_EQ(out[3], 0x80);  // channel 1, byte 1
}

// A channel with half_prob starts at p = 1/2 for as many bits as its first filter's order.
TEST(dst_frame_decoder, half_probability_covers_the_first_filters_order)
{
    // Order 8, all zero: every prediction is 0, so p is the table's first entry (1) unless halved.
    // The all-zero code decodes to the same bits either way; the read position tells the probabilities.
    auto read_position_for = [](int half_bits) {
        std::vector<std::uint32_t> ps(small_bytes * 8, 1);
        std::fill_n(ps.begin(), half_bits, 128u);
        return zero_code_read_position(1, ps);
    };
    ASSERT_NE(read_position_for(8), read_position_for(7));
    ASSERT_NE(read_position_for(8), read_position_for(9));
    ASSERT_NE(read_position_for(8), read_position_for(0));

    for (int half_prob : {0, 1}) {
        const auto frame = coded_frame_bytes(single_segment_frame(
            1, small_bytes, plain_filter(std::vector<std::int32_t>(8, 0)), low_ptable(), {0}, half_prob));
        for (form_t form : both_forms) {
            dst_frame_decoder decoder = make_decoder(1, small_rate);
            const auto r = decode_with(decoder, frame, form);
            ASSERT_EQ(r.status, 0);
            EXPECT_EQ(r.code_bits_read, read_position_for(half_prob ? 8 : 0))
                << name(form) << ", half_prob " << half_prob;
        }
    }
}

// The code may end with at most 7 unread bits, all 0; otherwise status 1 and out untouched.
TEST(dst_frame_decoder, code_end_check_and_status_1_leaves_out_untouched)
{
    // Zero filters of order 1..8 change the header length by 9 bits each, which lets the code
    // end exactly `unread` bits after the position where decoding stops.
    auto frame_with_unread = [](int unread, bool last_bit) {
        dst_coded_frame_desc probe =
            single_segment_frame(1, small_bytes, plain_filter({0}), low_ptable(), {0});
        dst_frame_decoder decoder = make_decoder(1, small_rate);
        const std::int64_t stop = decode_with(decoder, coded_frame_bytes(probe)).code_bits_read;
        for (int order = 1; order <= 8; ++order) {
            probe.filters[0] = plain_filter(std::vector<std::int32_t>(static_cast<std::size_t>(order), 0));
            const std::int64_t length = stop + unread;
            if ((header_bits(probe) + length) % 8 != 0)
                continue;
            probe.adata.assign(static_cast<std::size_t>(length), 0);
            probe.adata.back() = last_bit ? 1 : 0;
            return coded_frame_bytes(probe);
        }
        ADD_FAILURE() << "no order aligns the code";
        return std::vector<std::uint8_t>{};
    };
    struct {
        int unread;
        bool last_bit;
        int status;
    } const cases[] = {{7, false, 0}, {8, false, 1}, {4, true, 1}, {4, false, 0}, {1, true, 1}, {2000, false, 1}};
    for (form_t form : both_forms) {
        for (const auto& c : cases) {
            dst_frame_decoder decoder = make_decoder(1, small_rate);
            const auto r = decode_with(decoder, frame_with_unread(c.unread, c.last_bit), form, 0x3C);
            EXPECT_EQ(r.status, c.status) << name(form) << ", unread " << c.unread << ", last bit " << c.last_bit;
            const std::vector<std::uint8_t> expected(small_bytes, c.status == 0 ? 0xFF : 0x3C);
            EXPECT_EQ(r.out, expected) << name(form) << ", unread " << c.unread << ", last bit " << c.last_bit;
        }
    }
}

// Tables that end exactly at the frame's end leave an empty code: zeros, which end properly.
TEST(dst_frame_decoder, empty_code_decodes_to_the_predictions)
{
    for (int order = 1; order <= 8; ++order) {
        const auto desc = single_segment_frame(1, small_bytes, plain_filter(std::vector<std::int32_t>(
                                                                   static_cast<std::size_t>(order), 0)),
                                               low_ptable(), {});
        if (header_bits(desc) % 8 != 0)
            continue;
        for (form_t form : both_forms) {
            dst_frame_decoder decoder = make_decoder(1, small_rate);
            const auto r = decode_with(decoder, coded_frame_bytes(desc), form);
            EXPECT_EQ(r.status, 0) << name(form);
            EXPECT_EQ(r.out, std::vector<std::uint8_t>(small_bytes, 0xFF)) << name(form);
        }
        return;
    }
    FAIL() << "no order aligns the tables with the frame's end";
}

// The code's first bit must be 0, and the code may not exceed 8 × N × bytes_per_channel bits.
TEST(dst_frame_decoder, arithmetic_code_first_bit_and_length_are_checked)
{
    dst_frame_decoder decoder = make_decoder(1, small_rate);
    const auto frame_with_code = [](std::vector<std::uint8_t> adata) {
        return coded_frame_bytes(single_segment_frame(1, small_bytes, plain_filter({0}), low_ptable(), adata));
    };
    EXPECT_EQ(decode_error(decoder, frame_with_code({1, 0, 0})), "Illegal arithmetic code in frame!");

    const std::int64_t max_bits = 8 * small_bytes;
    // The writer completes the last byte with zeros, adding up to 7 code bits.
    EXPECT_EQ(decode_error(decoder, frame_with_code(std::vector<std::uint8_t>(max_bits - 7, 0))), "");
    EXPECT_EQ(decode_error(decoder, frame_with_code(std::vector<std::uint8_t>(max_bits + 1, 0))),
              "Illegal arithmetic data length!");
}

// A coded frame whose header or tables run past its end is rejected as such.
TEST(dst_frame_decoder, frame_ending_inside_its_tables_is_rejected)
{
    const std::string message = "Frame ends inside its header or tables!";
    dst_frame_decoder decoder = make_decoder(2, 64);
    EXPECT_EQ(decode_error(decoder, {0x80}), message) << "coded flag only";

    auto desc = single_segment_frame(2, 4704, plain_filter(std::vector<std::int32_t>(128, 100)), low_ptable(), {0});
    auto bytes = coded_frame_bytes(desc);
    ASSERT_EQ(decode_error(decoder, bytes), "");
    bytes.resize(bytes.size() / 2);
    EXPECT_EQ(decode_error(decoder, bytes), message) << "cut inside the filter";

    // A predicted filter whose Rice residual (200: 200 zeros at parameter 0) runs into the end of
    // the frame; after it come the sign bit and the 21 bits of the probability table.
    dst_bit_writer w;
    write_coded_header(w, single_segment_frame(2, 4704, {{0, 200}, 0, 0}, low_ptable(), {}));
    auto cut = w.bytes();
    cut.resize(static_cast<std::size_t>((w.bit_count() - 22 - 100) / 8));
    EXPECT_EQ(decode_error(decoder, cut), message) << "cut inside a residual";
}

// A frame that threw or ended wrongly leaves nothing behind: the next frame decodes as on a fresh decoder.
TEST(dst_frame_decoder, decodes_correctly_after_a_rejected_frame)
{
    std::mt19937 rng(5);
    auto desc = random_coded_frame(rng, 2, small_bytes, {64});
    desc.adata = {0};
    const auto good = coded_frame_bytes(desc);
    for (form_t form : both_forms) {
        dst_frame_decoder fresh = make_decoder(2, small_rate);
        const auto expected = decode_with(fresh, good, form);
        ASSERT_EQ(expected.status, 0);

        dst_frame_decoder decoder = make_decoder(2, small_rate);
        dst_bit_writer bad;
        bad.bit(1).bit(1).bit(1).bit(0).bits(0, 13);  // resolution 0
        bad.zeros(64);
        ASSERT_EQ(decode_with(decoder, bad.bytes(), form).error, "Invalid segment resolution!");
        EXPECT_EQ(decode_with(decoder, good, form).out, expected.out) << name(form) << ", after a throw";

        // At p = 1/256 throughout, a zero code of 2000 bits is far from used up.
        const auto unfinished = coded_frame_bytes(single_segment_frame(
            2, small_bytes, plain_filter({0}), low_ptable(), std::vector<std::uint8_t>(2000, 0)));
        ASSERT_EQ(decode_with(decoder, unfinished, form).status, 1);
        EXPECT_EQ(decode_with(decoder, good, form).out, expected.out) << name(form) << ", after status 1";
    }
}

// Frames decode independently: again, or in another order, they give the same bytes.
TEST(dst_frame_decoder, frames_decode_the_same_in_any_order)
{
    std::mt19937 rng(9);
    std::vector<std::vector<std::uint8_t>> frames;
    for (int order : {5, 128, 33}) {
        auto desc = random_coded_frame(rng, 2, small_bytes, {order});
        desc.adata = {0};
        frames.push_back(coded_frame_bytes(desc));
    }
    frames.push_back(plain_frame_bytes(std::vector<std::uint8_t>(2 * small_bytes, 0xC3)));

    dst_frame_decoder forward = make_decoder(2, small_rate);
    std::vector<std::vector<std::uint8_t>> first;
    for (const auto& f : frames) {
        const auto r = decode_with(forward, f);
        ASSERT_EQ(r.status, 0);
        first.push_back(r.out);
    }
    dst_frame_decoder backward = make_decoder(2, small_rate);
    for (std::size_t i = frames.size(); i-- > 0;) {
        EXPECT_EQ(decode_with(backward, frames[i]).out, first[i]) << "frame " << i << " backwards";
        EXPECT_EQ(decode_with(forward, frames[i]).out, first[i]) << "frame " << i << " again";
    }
}
