// Frames from the encoder through the real decoder: exact round trips for
// random mixes of syntax features, every forced feature visible in the
// bitstream, plain fallback and compression.
#include "dst/dst_frame_decoder.h"
#include "dst_encoder/frame_encoder.h"
#include "frame_syntax.h"
#include "test_signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

using dst_encoder::encoder_options;
using dst_encoder::table_coding;

struct decode_result {
    int status = -1;
    std::vector<std::uint8_t> out;
};

decode_result decode(const std::vector<std::uint8_t>& frame, int channels, int rate,
                     dst_frame_decoder::reconstruction form = dst_frame_decoder::reconstruction::fast)
{
    dst_frame_decoder decoder;
    decoder.create(channels, rate);
    decode_result r;
    r.out.assign(static_cast<std::size_t>(channels) * decoder.bytes_per_channel(), 0xA5);
    r.status = decoder.decode_frame(static_cast<std::uint32_t>(frame.size()), frame.data(), r.out.data(), form);
    decoder.destroy();
    return r;
}

template <class T>
T cyclic(const std::vector<T>& v, std::size_t i) { return v[i % v.size()]; }

// The method a table of `length` entries must carry when `wanted` is forced; -3 for "any".
int expected_method(table_coding wanted, int length)
{
    const int longest = std::min(2, length - 2);
    switch (wanted) {
    case table_coding::automatic: return -3;
    case table_coding::plain: return -1;
    default: {
        const int k = static_cast<int>(wanted) - static_cast<int>(table_coding::method_0);
        return k <= longest ? k : std::max(longest, -1);
    }
    }
}

std::vector<int> counts_of(const dst_test::segmentation_syntax& seg)
{
    std::vector<int> v;
    for (const auto& t : seg.tables) v.push_back(static_cast<int>(t.size()));
    return v;
}

bool table_shared_by_channels(const dst_test::segmentation_syntax& seg)
{
    std::map<int, std::set<std::size_t>> users;
    for (std::size_t ch = 0; ch < seg.tables.size(); ++ch)
        for (int t : seg.tables[ch]) users[t].insert(ch);
    return std::any_of(users.begin(), users.end(), [](const auto& u) { return u.second.size() > 1; });
}

// Which features the mixes produced, so that the test can insist each appeared.
struct coverage {
    std::set<std::string> seen;
    void note(bool happened, const std::string& feature)
    {
        if (happened) seen.insert(feature);
    }
};

void check_syntax(const dst_test::frame_syntax& s, const encoder_options& o, int channels, coverage& cov,
                  const std::string& trace)
{
    SCOPED_TRACE(trace);
    ASSERT_TRUE(s.coded);
    EXPECT_EQ(s.ptable_same_seg_as_filter, o.ptable_same_seg_as_filter);
    EXPECT_EQ(s.ptable_same_map_as_filter, o.ptable_same_map_as_filter);
    for (int ch = 0; ch < channels; ++ch)
        EXPECT_EQ(s.half_prob[static_cast<std::size_t>(ch)], cyclic(o.half_prob, static_cast<std::size_t>(ch)) ? 1 : 0) << "channel " << ch;

    // Segment counts as asked (all frames here are long enough for 4 and 8).
    const std::vector<int> fcounts = counts_of(s.filters);
    for (int ch = 0; ch < channels; ++ch) {
        const int wanted = o.filter_same_seg_all_channels ? o.filter_segments[0] : cyclic(o.filter_segments, static_cast<std::size_t>(ch));
        EXPECT_EQ(fcounts[static_cast<std::size_t>(ch)], wanted) << "filter segments, channel " << ch;
    }
    EXPECT_EQ(s.filters.same_seg_all_channels, o.filter_same_seg_all_channels);
    const bool fcounts_equal = std::adjacent_find(fcounts.begin(), fcounts.end(), std::not_equal_to<>()) == fcounts.end();
    EXPECT_EQ(s.filters.same_map_all_channels, o.filter_same_map_all_channels && fcounts_equal);
    const std::vector<int> pcounts = counts_of(s.ptables);
    const bool pcounts_equal = std::adjacent_find(pcounts.begin(), pcounts.end(), std::not_equal_to<>()) == pcounts.end();
    if (!o.ptable_same_seg_as_filter) {
        if (o.ptable_same_map_as_filter) {
            EXPECT_EQ(pcounts, fcounts);
        } else {
            for (int ch = 0; ch < channels; ++ch) {
                const int wanted = o.ptable_same_seg_all_channels ? o.ptable_segments[0] : cyclic(o.ptable_segments, static_cast<std::size_t>(ch));
                EXPECT_EQ(pcounts[static_cast<std::size_t>(ch)], wanted) << "table segments, channel " << ch;
            }
        }
        EXPECT_EQ(s.ptables.same_seg_all_channels, o.ptable_same_seg_all_channels && (!o.ptable_same_map_as_filter || pcounts_equal));
    }
    if (!o.ptable_same_map_as_filter) {
        EXPECT_EQ(s.ptables.same_map_all_channels, o.ptable_same_map_all_channels && pcounts_equal);
    }

    for (std::size_t f = 0; f < s.filter_orders.size(); ++f) {
        EXPECT_EQ(s.filter_orders[f], cyclic(o.filter_orders, f)) << "filter " << f;
        const int method = expected_method(cyclic(o.filter_coding, f), s.filter_orders[f]);
        if (method != -3) {
            EXPECT_EQ(s.filter_methods[f], method) << "filter " << f;
        }
        cov.note(true, "filter method " + std::to_string(s.filter_methods[f]));
        cov.note(s.filter_orders[f] == 1, "filter order 1");
        cov.note(s.filter_orders[f] >= 120, "filter order >= 120");
    }
    for (std::size_t t = 0; t < s.ptable_lengths.size(); ++t) {
        const int longest = cyclic(o.ptable_lengths, t);
        EXPECT_LE(s.ptable_lengths[t], longest) << "table " << t;
        EXPECT_EQ(s.ptable_lengths[t] == 1, longest == 1) << "table " << t;
        if (s.ptable_lengths[t] > 1) {
            const int method = expected_method(cyclic(o.ptable_coding, t), s.ptable_lengths[t]);
            if (method != -3) {
                EXPECT_EQ(s.ptable_methods[t], method) << "table " << t;
            }
        }
        cov.note(true, "table method " + std::to_string(s.ptable_methods[t]));
    }
    cov.note(*std::max_element(fcounts.begin(), fcounts.end()) == 4, "4 filter segments");
    cov.note(*std::max_element(pcounts.begin(), pcounts.end()) == 8, "8 table segments");
    cov.note(!fcounts_equal, "filter segment counts differ by channel");
    cov.note(!s.filters.same_seg_all_channels, "filter segmentation per channel");
    cov.note(s.filters.same_seg_all_channels && channels > 1 && fcounts[0] > 1, "filter segmentation shared");
    cov.note(!s.ptable_same_seg_as_filter && !s.ptables.same_seg_all_channels, "table segmentation per channel");
    cov.note(!s.ptable_same_seg_as_filter && s.ptables.same_seg_all_channels, "table segmentation shared");
    cov.note(s.ptable_same_seg_as_filter, "table segmentation as filters");
    cov.note(s.ptable_same_map_as_filter, "table mapping as filters");
    cov.note(!s.ptable_same_map_as_filter && s.ptables.same_map_all_channels && channels > 1, "table mapping shared");
    cov.note(!s.ptable_same_map_as_filter && !s.ptables.same_map_all_channels, "table mapping per channel");
    cov.note(s.filters.same_map_all_channels && channels > 1, "filter mapping shared");
    cov.note(!s.filters.same_map_all_channels, "filter mapping per channel");
    cov.note(table_shared_by_channels(s.filters) && !s.filters.same_map_all_channels, "filter shared across channels");
    cov.note(table_shared_by_channels(s.ptables) && !s.ptable_same_map_as_filter && !s.ptables.same_map_all_channels,
             "table shared across channels");
    cov.note(s.filters.table_count == 2 * channels, "all filters in use");
    cov.note(std::count(s.half_prob.begin(), s.half_prob.end(), 1) > 0, "half probability");
    cov.note(s.filters.resolution > 1, "filter resolution above 1");
}

TEST(dst_frame_round_trip, random_feature_mixes_decode_exactly_and_show_their_features)
{
    static constexpr int channel_choices[] = {1, 2, 5, 6};
    coverage cov;
    int forced_plain = 0;
    for (std::uint64_t seed = 1; seed <= 240; ++seed) {
        const int channels = channel_choices[seed % 4];
        const int rate = seed % 5 == 0 ? 128 : 64;
        const encoder_options o = dst_encoder::random_options(seed, channels);
        const std::string trace = "seed " + std::to_string(seed) + ", " + std::to_string(channels) + " channels, rate "
                                  + std::to_string(rate) + ": " + dst_encoder::describe(o);
        dst_encoder::frame_encoder encoder(channels, rate);
        const auto input = dst_test::tone_dsd(channels, rate, encoder.geometry().bytes_per_channel,
                                              300.0 + 37.0 * static_cast<double>(seed));
        const std::vector<std::uint8_t> frame = encoder.encode(input, o);

        for (auto form : {dst_frame_decoder::reconstruction::fast, dst_frame_decoder::reconstruction::reference}) {
            decode_result r;
            ASSERT_NO_THROW(r = decode(frame, channels, rate, form)) << trace;
            ASSERT_EQ(r.status, 0) << trace;
            ASSERT_TRUE(r.out == input) << trace;
        }
        const dst_test::frame_syntax s = dst_test::read_frame_syntax(frame, channels, rate);
        if (o.force_plain) {
            EXPECT_FALSE(s.coded) << trace;
            EXPECT_EQ(frame.size(), input.size() + 1) << trace;
            ++forced_plain;
            continue;
        }
        check_syntax(s, o, channels, cov, trace);
        EXPECT_EQ(s.header_bits, encoder.last_frame().header_bits) << trace;

        // The real decoder read the same tables.
        dst_frame_decoder decoder;
        decoder.create(channels, rate);
        std::vector<std::uint8_t> out(input.size());
        decoder.decode_frame(static_cast<std::uint32_t>(frame.size()), frame.data(), out.data());
        EXPECT_EQ(decoder.header().filter_count, s.filters.table_count) << trace;
        EXPECT_EQ(decoder.header().ptable_count, s.ptables.table_count) << trace;
    }
    EXPECT_GT(forced_plain, 0);
    for (const char* feature :
         {"filter method -1", "filter method 0", "filter method 1", "filter method 2", "table method -2",
          "table method -1", "table method 0", "table method 1", "table method 2", "filter order 1",
          "filter order >= 120", "4 filter segments", "8 table segments", "filter segment counts differ by channel",
          "filter segmentation per channel", "filter segmentation shared", "table segmentation per channel",
          "table segmentation shared", "table segmentation as filters", "table mapping as filters",
          "table mapping shared", "table mapping per channel", "filter mapping shared", "filter mapping per channel",
          "filter shared across channels", "table shared across channels", "all filters in use", "half probability",
          "filter resolution above 1"})
        EXPECT_TRUE(cov.seen.count(feature)) << "no mix produced: " << feature;
}

TEST(dst_frame_round_trip, short_and_odd_rate_factors_round_trip)
{
    // Rate factor 1 leaves no room for a second filter segment; odd factors drop 4 bits per frame.
    for (int rate : {1, 3, 17}) {
        for (std::uint64_t seed = 1; seed <= 12; ++seed) {
            const int channels = static_cast<int>(seed % 3) + 1;
            const encoder_options o = dst_encoder::random_options(seed * 7919, channels);
            dst_encoder::frame_encoder encoder(channels, rate);
            const auto input = dst_test::tone_dsd(channels, rate, encoder.geometry().bytes_per_channel, 500.0);
            const auto frame = encoder.encode(input, o);
            decode_result r;
            ASSERT_NO_THROW(r = decode(frame, channels, rate)) << "rate " << rate << " seed " << seed;
            EXPECT_EQ(r.status, 0) << "rate " << rate << " seed " << seed;
            EXPECT_TRUE(r.out == input) << "rate " << rate << " seed " << seed;
        }
    }
}

TEST(dst_frame_round_trip, incompressible_input_falls_back_to_a_plain_frame)
{
    for (int channels : {1, 2, 6}) {
        dst_encoder::frame_encoder encoder(channels, 64);
        const auto input = dst_test::noise_dsd(static_cast<std::size_t>(encoder.geometry().frame_bytes()), 99);
        const auto frame = encoder.encode(input, {});
        EXPECT_TRUE(encoder.last_frame().plain) << channels << " channels";
        ASSERT_EQ(frame.size(), input.size() + 1);
        EXPECT_EQ(frame[0], 0);
        const decode_result r = decode(frame, channels, 64);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out == input) << channels << " channels";
    }
}

TEST(dst_frame_round_trip, tone_input_compresses)
{
    for (int rate : {64, 128}) {
        for (int channels : {1, 2, 5, 6}) {
            dst_encoder::frame_encoder encoder(channels, rate);
            long plain = 0, coded = 0;
            const long frame_bytes = encoder.geometry().bytes_per_channel;
            const auto input = dst_test::tone_dsd(channels, rate, 4 * frame_bytes, 1000.0);
            for (int k = 0; k < 4; ++k) {
                const std::span<const std::uint8_t> piece(input.data() + k * frame_bytes * channels,
                                                          static_cast<std::size_t>(frame_bytes * channels));
                const auto frame = encoder.encode(piece, {});
                ASSERT_FALSE(encoder.last_frame().plain);
                const decode_result r = decode(frame, channels, rate);
                ASSERT_EQ(r.status, 0);
                ASSERT_TRUE(std::equal(piece.begin(), piece.end(), r.out.begin())) << "frame " << k;
                plain += static_cast<long>(piece.size()) + 1;
                coded += static_cast<long>(frame.size());
            }
            const double ratio = static_cast<double>(plain) / static_cast<double>(coded);
            std::cout << "tone, " << channels << " channels, rate " << rate << ": compression ratio " << ratio << "\n";
            EXPECT_GT(ratio, 1.5) << channels << " channels, rate " << rate;
        }
    }
}

} // namespace
