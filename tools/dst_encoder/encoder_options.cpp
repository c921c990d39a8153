#include "dst_encoder/encoder_options.h"

#include <random>
#include <sstream>

namespace dst_encoder {

namespace {

const char* name(table_coding c)
{
    switch (c) {
    case table_coding::automatic: return "auto";
    case table_coding::plain: return "plain";
    case table_coding::method_0: return "m0";
    case table_coding::method_1: return "m1";
    case table_coding::method_2: return "m2";
    }
    return "?";
}

const char* name(table_mapping m)
{
    switch (m) {
    case table_mapping::per_channel: return "per-channel";
    case table_mapping::by_segment: return "by-segment";
    case table_mapping::scrambled: return "scrambled";
    }
    return "?";
}

template <class T, class F>
std::string list(const std::vector<T>& v, F&& show)
{
    std::ostringstream s;
    for (std::size_t i = 0; i < v.size(); ++i) s << (i ? "," : "") << show(v[i]);
    return s.str();
}

} // namespace

encoder_options random_options(std::uint64_t seed, int channel_count)
{
    std::mt19937_64 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto coin = [&] { return pick(0, 1) == 1; };

    encoder_options o;
    o.plain_fallback = false;
    o.force_plain = pick(0, 15) == 0;
    o.layout_seed = coin() ? rng() | 1 : 0;
    o.segment_resolution = pick(0, 3) == 0 ? pick(1, 64) : 0;

    o.filter_orders.clear();
    for (int i = pick(1, 4); i > 0; --i) {
        // Short orders are where the coding methods' limits lie; long ones stress the ring.
        const int kind = pick(0, 3);
        o.filter_orders.push_back(kind == 0 ? pick(1, 4) : kind == 1 ? pick(100, 128) : pick(5, 99));
    }
    o.ptable_lengths.clear();
    for (int i = pick(1, 4); i > 0; --i) {
        const int kind = pick(0, 3);
        o.ptable_lengths.push_back(kind == 0 ? pick(1, 4) : pick(5, 64));
    }
    // The first table (channel 0's first segment) stays usable so that the frame still fits.
    if (o.ptable_lengths[0] < 2) o.ptable_lengths[0] = 2;

    auto codings = [&] {
        std::vector<table_coding> v;
        for (int i = pick(1, 4); i > 0; --i) v.push_back(static_cast<table_coding>(pick(0, 4)));
        return v;
    };
    o.filter_coding = codings();
    o.ptable_coding = codings();

    auto counts = [&](int most) {
        std::vector<int> v;
        for (int i = coin() ? 1 : channel_count; i > 0; --i) v.push_back(pick(1, most));
        return v;
    };
    o.filter_segments = counts(4);
    o.ptable_segments = counts(8);
    o.filter_same_seg_all_channels = coin();
    o.filter_same_map_all_channels = coin();
    o.ptable_same_seg_all_channels = coin();
    o.ptable_same_map_all_channels = coin();
    o.ptable_same_seg_as_filter = coin();
    o.ptable_same_map_as_filter = coin();
    o.filter_mapping = static_cast<table_mapping>(pick(0, 2));
    o.ptable_mapping = static_cast<table_mapping>(pick(0, 2));

    o.half_prob.clear();
    for (int i = 0; i < channel_count; ++i) o.half_prob.push_back(pick(0, 2) == 0);
    return o;
}

std::string describe(const encoder_options& o)
{
    auto number = [](auto v) { return std::to_string(v); };
    auto flag = [](bool b) { return b ? "1" : "0"; };
    std::ostringstream s;
    s << "orders=" << list(o.filter_orders, number) << " lengths=" << list(o.ptable_lengths, number)
      << " fcoding=" << list(o.filter_coding, [](table_coding c) { return name(c); })
      << " pcoding=" << list(o.ptable_coding, [](table_coding c) { return name(c); })
      << " fsegs=" << list(o.filter_segments, number) << " psegs=" << list(o.ptable_segments, number)
      << " resolution=" << o.segment_resolution << " layout_seed=" << o.layout_seed
      << " fseg_all=" << flag(o.filter_same_seg_all_channels) << " fmap_all=" << flag(o.filter_same_map_all_channels)
      << " pseg_all=" << flag(o.ptable_same_seg_all_channels) << " pmap_all=" << flag(o.ptable_same_map_all_channels)
      << " pseg_as_f=" << flag(o.ptable_same_seg_as_filter) << " pmap_as_f=" << flag(o.ptable_same_map_as_filter)
      << " fmapping=" << name(o.filter_mapping) << " pmapping=" << name(o.ptable_mapping)
      << " half_prob=" << list(o.half_prob, [](bool b) { return b ? "1" : "0"; })
      << " force_plain=" << flag(o.force_plain) << " plain_fallback=" << flag(o.plain_fallback);
    return s.str();
}

} // namespace dst_encoder
