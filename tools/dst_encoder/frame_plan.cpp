#include "dst_encoder/frame_plan.h"

#include <algorithm>
#include <numeric>
#include <random>

namespace dst_encoder {

namespace {

template <class T>
const T& cyclic(const std::vector<T>& list, std::size_t i, const T& fallback)
{
    return list.empty() ? fallback : list[i % list.size()];
}

struct segment_rules {
    int max_segments;    // 4 filter, 8 probability-table segments per channel
    int min_bytes;       // shortest segment: 1024 or 32 bits
};

// Segment counts per channel, lowered to what fits (n segments need n * min_bytes).
std::vector<int> segment_counts(const std::vector<int>& wanted, const segment_rules& rules, const frame_geometry& g)
{
    const int fit = std::max(1, g.bytes_per_channel / rules.min_bytes);
    std::vector<int> counts(static_cast<std::size_t>(g.channel_count));
    for (std::size_t ch = 0; ch < counts.size(); ++ch)
        counts[ch] = std::clamp(cyclic(wanted, ch, 1), 1, std::min(rules.max_segments, fit));
    return counts;
}

bool all_equal(const std::vector<int>& v) { return std::adjacent_find(v.begin(), v.end(), std::not_equal_to<>()) == v.end(); }

// Byte lengths of the coded segments of one channel with `count` segments.
// Even split, or random split points (each in multiples of `unit`) that keep
// every segment at least min_bytes long.
std::vector<int> split(int count, int unit, const segment_rules& rules, const frame_geometry& g, std::mt19937_64* rng)
{
    std::vector<int> out;
    const int bytes = g.bytes_per_channel;
    const int min_units = (rules.min_bytes + unit - 1) / unit;
    int used = 0;
    for (int i = 0; i + 1 < count; ++i) {
        const int later_coded = count - 2 - i; // coded segments after this one
        const int room = bytes - used - later_coded * min_units * unit - rules.min_bytes;
        const int max_units = room / unit;
        if (max_units < min_units) break;
        int units;
        if (rng) {
            units = std::uniform_int_distribution<int>(min_units, max_units)(*rng);
        } else {
            units = std::clamp((bytes / count) / unit, min_units, max_units);
        }
        out.push_back(units * unit);
        used += units * unit;
    }
    return out;
}

segmentation make_segmentation(const std::vector<int>& counts_in, bool same_all, int resolution_option,
                               const segment_rules& rules, const frame_geometry& g, std::mt19937_64* rng)
{
    std::vector<int> counts = counts_in;
    segmentation seg;
    seg.same_seg_all_channels = same_all;
    if (same_all) std::fill(counts.begin(), counts.end(), counts[0]);

    const int max_size = g.bytes_per_channel - rules.min_bytes;
    int unit = 1;
    if (resolution_option > 0) {
        unit = resolution_option;
    } else if (rng) {
        unit = std::uniform_int_distribution<int>(1, 48)(*rng);
    }
    // A resolution that leaves no room for the wanted segments is lowered to 1 byte.
    if (unit > max_size || unit > rules.min_bytes * 4) unit = 1;

    std::vector<std::vector<int>> byte_lengths(counts.size());
    for (;;) {
        bool dropped = false;
        for (std::size_t ch = 0; ch < counts.size(); ++ch) {
            byte_lengths[ch] = same_all && ch > 0 ? byte_lengths[0] : split(counts[ch], unit, rules, g, rng);
            dropped = dropped || static_cast<int>(byte_lengths[ch].size()) + 1 < counts[ch];
        }
        // At a 1-byte unit every count that fits can be split; coarser units may not.
        if (!dropped || unit == 1) break;
        unit = 1;
    }

    // Without an explicit unit, the coarsest one dividing every length costs fewest bits.
    int resolution = unit;
    if (resolution_option <= 0) {
        int common = 0;
        for (const auto& lengths : byte_lengths)
            for (int len : lengths) common = std::gcd(common, len);
        if (common > 0) resolution = std::min(common, max_size);
    }
    seg.resolution = resolution;
    seg.lengths.resize(counts.size());
    seg.tables.resize(counts.size());
    for (std::size_t ch = 0; ch < counts.size(); ++ch) {
        for (int len : byte_lengths[ch]) seg.lengths[ch].push_back(len / resolution);
        seg.tables[ch].assign(byte_lengths[ch].size() + 1, 0);
    }
    return seg;
}

// Table numbers in the order the mapping is written, renumbered by first use
// and folded into the 2 x N limit.
void assign_tables(segmentation& seg, table_mapping mapping, bool same_map, int limit, std::mt19937_64& rng)
{
    const std::size_t channels = seg.tables.size();
    bool counts_equal = true;
    for (std::size_t ch = 1; ch < channels; ++ch)
        counts_equal = counts_equal && seg.tables[ch].size() == seg.tables[0].size();
    seg.same_map_all_channels = same_map && counts_equal;

    int next = 0;
    for (std::size_t ch = 0; ch < channels; ++ch) {
        for (std::size_t s = 0; s < seg.tables[ch].size(); ++s) {
            int& t = seg.tables[ch][s];
            if (seg.same_map_all_channels && ch > 0) {
                t = seg.tables[0][s];
                continue;
            }
            switch (mapping) {
            case table_mapping::per_channel: t = next++; break;
            case table_mapping::by_segment: t = static_cast<int>(s); break;
            case table_mapping::scrambled:
                t = (ch == 0 && s == 0) || std::uniform_int_distribution<int>(0, 2)(rng) == 0
                        ? next++
                        : std::uniform_int_distribution<int>(0, std::max(0, next - 1))(rng);
                break;
            }
        }
    }
    // Renumber by first use in writing order, then fold numbers past the limit
    // onto earlier tables (numbers appear first in increasing order, so every
    // folded number already exists).
    std::vector<int> renumber;
    std::vector<int> seen;
    int count = 0;
    for (std::size_t ch = 0; ch < channels; ++ch) {
        for (int& t : seg.tables[ch]) {
            if (static_cast<std::size_t>(t) >= seen.size()) seen.resize(static_cast<std::size_t>(t) + 1, -1);
            int& label = seen[static_cast<std::size_t>(t)];
            if (label < 0) label = count++;
            t = label % limit;
        }
    }
    seg.table_count = std::min(count, limit);
}

} // namespace

std::vector<int> segmentation::table_of_bit(int channel, int bits_per_channel) const
{
    const auto ch = static_cast<std::size_t>(channel);
    std::vector<int> out(static_cast<std::size_t>(bits_per_channel), tables[ch].back());
    std::size_t start = 0;
    for (std::size_t s = 0; s < lengths[ch].size(); ++s) {
        const std::size_t end = start + static_cast<std::size_t>(lengths[ch][s]) * static_cast<std::size_t>(resolution) * 8;
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(start), out.begin() + static_cast<std::ptrdiff_t>(end), tables[ch][s]);
        start = end;
    }
    return out;
}

frame_plan make_frame_plan(const encoder_options& options, const frame_geometry& g)
{
    std::mt19937_64 rng(options.layout_seed);
    std::mt19937_64* layout_rng = options.layout_seed != 0 ? &rng : nullptr;
    const segment_rules filter_rules{4, 128};
    const segment_rules ptable_rules{8, 4};

    frame_plan plan;
    std::vector<int> filter_counts = segment_counts(options.filter_segments, filter_rules, g);
    plan.filters = make_segmentation(filter_counts, options.filter_same_seg_all_channels, options.segment_resolution,
                                     filter_rules, g, layout_rng);
    // The split may have dropped segments that do not fit.
    for (std::size_t ch = 0; ch < filter_counts.size(); ++ch)
        filter_counts[ch] = static_cast<int>(plan.filters.lengths[ch].size()) + 1;

    plan.ptable_same_seg_as_filter = options.ptable_same_seg_as_filter;
    plan.ptable_same_map_as_filter = options.ptable_same_map_as_filter;
    if (plan.ptable_same_seg_as_filter) {
        plan.ptables = plan.filters;
    } else {
        std::vector<int> ptable_counts = plan.ptable_same_map_as_filter
                                             ? filter_counts
                                             : segment_counts(options.ptable_segments, ptable_rules, g);
        // With a shared mapping the counts follow the filters and may differ per channel.
        const bool same_all = options.ptable_same_seg_all_channels
                              && (!plan.ptable_same_map_as_filter || all_equal(ptable_counts));
        plan.ptables = make_segmentation(ptable_counts, same_all, options.segment_resolution, ptable_rules, g,
                                         layout_rng);
    }

    assign_tables(plan.filters, options.filter_mapping, options.filter_same_map_all_channels, g.max_tables, rng);
    if (plan.ptable_same_map_as_filter) {
        plan.ptables.tables = plan.filters.tables;
        plan.ptables.table_count = plan.filters.table_count;
        plan.ptables.same_map_all_channels = plan.filters.same_map_all_channels;
    } else {
        assign_tables(plan.ptables, options.ptable_mapping, options.ptable_same_map_all_channels, g.max_tables, rng);
    }

    plan.half_prob.resize(static_cast<std::size_t>(g.channel_count));
    for (std::size_t ch = 0; ch < plan.half_prob.size(); ++ch)
        plan.half_prob[ch] = options.half_prob.empty() ? 0 : (options.half_prob[ch % options.half_prob.size()] ? 1 : 0);
    return plan;
}

} // namespace dst_encoder
