#include "dst_random_frame.h"

#include <algorithm>
#include <cstdlib>

namespace {

int uniform(std::mt19937& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

bool coin(std::mt19937& rng) { return uniform(rng, 0, 1) == 1; }

dst_segmentation_desc random_segmentation(std::mt19937& rng, int n, std::int32_t bytes_per_channel,
                                          int max_segments, int min_segment_bits)
{
    dst_segmentation_desc seg;
    seg.same_for_all_channels = n == 1 || coin(rng);
    const std::int64_t max_size = bytes_per_channel - min_segment_bits / 8;
    if (max_size >= 1) {
        switch (uniform(rng, 0, 3)) {
        case 0: seg.resolution = 1; break;
        case 1: seg.resolution = static_cast<std::int32_t>(std::min<std::int64_t>(max_size, uniform(rng, 2, 64)));
            break;
        case 2:
            seg.resolution = static_cast<std::int32_t>(std::min<std::int64_t>(max_size, 4 * uniform(rng, 1, 300)));
            break;
        default: seg.resolution = uniform(rng, 1, static_cast<int>(max_size)); break;
        }
    }
    const std::int64_t min_units = (min_segment_bits / 8 + seg.resolution - 1) / seg.resolution;
    const int rows = seg.same_for_all_channels ? 1 : n;
    seg.lengths.resize(static_cast<std::size_t>(rows));
    for (auto& lengths : seg.lengths) {
        if (max_size < 1)
            continue;
        std::int64_t remaining = max_size;
        const int wanted = uniform(rng, 0, 3) == 0 ? 0 : uniform(rng, 0, max_segments - 1);
        for (int i = 0; i < wanted; ++i) {
            const std::int64_t max_units = remaining / seg.resolution;
            if (max_units < min_units)
                break;
            // Short segments more often than long ones, so that later segments still fit.
            const std::int64_t span = max_units - min_units;
            const std::int64_t units =
                min_units + (coin(rng) ? std::uniform_int_distribution<std::int64_t>(0, span)(rng)
                                       : std::uniform_int_distribution<std::int64_t>(0, span / 4)(rng));
            lengths.push_back(units);
            remaining -= units * seg.resolution;
        }
    }
    return seg;
}

std::vector<std::size_t> segment_counts(const dst_segmentation_desc& seg, int n)
{
    std::vector<std::size_t> counts;
    for (int ch = 0; ch < n; ++ch)
        counts.push_back(seg.lengths[seg.same_for_all_channels ? 0 : static_cast<std::size_t>(ch)].size() + 1);
    return counts;
}

dst_mapping_desc random_mapping(std::mt19937& rng, const std::vector<std::size_t>& counts, int max_tables,
                                std::int32_t& table_count)
{
    dst_mapping_desc map;
    const bool counts_equal = std::ranges::all_of(counts, [&](std::size_t c) { return c == counts[0]; });
    map.same_for_all_channels = counts_equal && coin(rng);
    const std::size_t rows = map.same_for_all_channels ? 1 : counts.size();
    std::int32_t count = 1;
    const bool reuse_often = coin(rng);
    for (std::size_t ch = 0; ch < rows; ++ch) {
        std::vector<std::int32_t> tables;
        for (std::size_t s = 0; s < counts[ch]; ++s) {
            if (ch == 0 && s == 0) {
                tables.push_back(0);
                continue;
            }
            const std::int32_t highest = count < max_tables ? count : count - 1;
            const std::int32_t v = reuse_often ? uniform(rng, 0, highest) : highest;
            tables.push_back(v);
            if (v == count)
                ++count;
        }
        map.tables.push_back(tables);
    }
    table_count = count;
    return map;
}

std::vector<std::int32_t> random_values(std::mt19937& rng, int length, int low, int high)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(length));
    switch (uniform(rng, 0, 5)) {
    case 0:  // uniform over the whole range
        for (auto& v : values) v = uniform(rng, low, high);
        break;
    case 1: std::ranges::fill(values, low); break;
    case 2: std::ranges::fill(values, high); break;
    case 3: {  // a slow walk, as smooth tables are
        std::int32_t v = uniform(rng, low, high);
        for (auto& e : values) {
            v = std::clamp(v + uniform(rng, -6, 6), low, high);
            e = v;
        }
        break;
    }
    case 4:  // small values around the middle
        for (auto& v : values) v = std::clamp(uniform(rng, -8, 8) + (low + high) / 2, low, high);
        break;
    default:  // alternating extremes
        for (std::size_t i = 0; i < values.size(); ++i) values[i] = i % 2 == 0 ? low : high;
        break;
    }
    return values;
}

dst_table_desc random_table(std::mt19937& rng, int length, int low, int high)
{
    dst_table_desc table;
    table.values = random_values(rng, length, low, high);
    // Predicted coding needs more entries than the predictor's order (1, 2 or 3).
    if (length >= 2 && coin(rng)) {
        table.method = uniform(rng, 0, std::min(2, length - 2));
        table.rice_param = uniform(rng, 0, 7);
        // Keep unary runs short where residuals are large.
        std::int64_t largest = 0;
        for (std::size_t i = static_cast<std::size_t>(table.method) + 1; i < table.values.size(); ++i)
            largest = std::max(largest,
                               std::abs(dst_predicted_residual(low < 0 ? 0 : 1, table.method, table.values, i)));
        while ((largest >> table.rice_param) > 40)
            ++table.rice_param;
    }
    return table;
}

}  // namespace

std::vector<std::uint8_t> random_adata(std::mt19937& rng, std::int64_t length)
{
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(std::max<std::int64_t>(length, 0)));
    const int mode = uniform(rng, 0, 5);
    for (auto& b : bits) {
        switch (mode) {
        case 0: b = 0; break;
        case 1: b = 1; break;
        case 2: b = uniform(rng, 0, 63) == 0 ? 1 : 0; break;
        default: b = static_cast<std::uint8_t>(uniform(rng, 0, 1)); break;
        }
    }
    if (!bits.empty())
        bits[0] = 0;
    return bits;
}

dst_coded_frame_desc random_coded_frame(std::mt19937& rng, int channel_count, std::int32_t bytes_per_channel,
                                        const dst_random_frame_options& options)
{
    const int n = channel_count;
    dst_coded_frame_desc frame;
    frame.channel_count = n;
    frame.bytes_per_channel = bytes_per_channel;

    frame.filter_seg = random_segmentation(rng, n, bytes_per_channel, 4, 1024);
    frame.ptable_same_seg_as_filter = coin(rng);
    if (!frame.ptable_same_seg_as_filter)
        frame.ptable_seg = random_segmentation(rng, n, bytes_per_channel, 8, 32);
    const auto filter_counts = segment_counts(frame.filter_seg, n);
    const auto ptable_counts =
        frame.ptable_same_seg_as_filter ? filter_counts : segment_counts(frame.ptable_seg, n);

    std::int32_t filter_count = 0;
    std::int32_t ptable_count = 0;
    frame.filter_map = random_mapping(rng, filter_counts, 2 * n, filter_count);
    frame.ptable_same_map_as_filter = ptable_counts == filter_counts && coin(rng);
    if (frame.ptable_same_map_as_filter)
        ptable_count = filter_count;
    else
        frame.ptable_map = random_mapping(rng, ptable_counts, 2 * n, ptable_count);

    for (int ch = 0; ch < n; ++ch)
        frame.half_prob.push_back(uniform(rng, 0, 1));

    for (std::int32_t f = 0; f < filter_count; ++f) {
        const int order = f == 0 && options.first_filter_order > 0 ? options.first_filter_order : uniform(rng, 1, 128);
        frame.filters.push_back(random_table(rng, order, -256, 255));
    }
    for (std::int32_t t = 0; t < ptable_count; ++t)
        frame.ptables.push_back(random_table(rng, uniform(rng, 1, 64), 1, 128));

    // Code lengths from empty to the longest allowed, leaving room for the padding of the last byte.
    const std::int64_t max_adata_bits = 8LL * n * bytes_per_channel - 7;
    std::int64_t length = 0;
    switch (uniform(rng, 0, 4)) {
    case 0: length = uniform(rng, 0, 1); break;
    case 1: length = max_adata_bits; break;
    default: length = std::uniform_int_distribution<std::int64_t>(2, max_adata_bits)(rng); break;
    }
    frame.adata = random_adata(rng, length);
    return frame;
}
