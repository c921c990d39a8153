#include "dst_encoder/frame_encoder.h"

#include "dst_encoder/arith_encoder.h"
#include "dst_encoder/bit_writer.h"
#include "dst_encoder/frame_plan.h"
#include "dst_encoder/prediction.h"
#include "dst_encoder/probability_tables.h"
#include "dst_encoder/table_coding.h"

#include <algorithm>
#include <stdexcept>

namespace dst_encoder {

namespace {

template <class T>
T cyclic(const std::vector<T>& list, std::size_t i, T fallback)
{
    return list.empty() ? fallback : list[i % list.size()];
}

// Bit ranges [begin, end) of each segment of one channel.
std::vector<std::pair<int, int>> segment_ranges(const segmentation& seg, int channel, int bits_per_channel)
{
    std::vector<std::pair<int, int>> out;
    int start = 0;
    for (int len : seg.lengths[static_cast<std::size_t>(channel)]) {
        const int end = start + len * seg.resolution * 8;
        out.emplace_back(start, end);
        start = end;
    }
    out.emplace_back(start, bits_per_channel);
    return out;
}

void write_segmentation(bit_writer& out, const segmentation& seg, int min_bytes, int bytes_per_channel)
{
    const long max_size = bytes_per_channel - min_bytes;
    bool resolution_written = false;
    out.write_bit(seg.same_seg_all_channels ? 1 : 0);
    const std::size_t channels = seg.same_seg_all_channels ? 1 : seg.lengths.size();
    for (std::size_t ch = 0; ch < channels; ++ch) {
        long remaining = max_size;
        for (int len : seg.lengths[ch]) {
            out.write_bit(0);
            if (!resolution_written) {
                out.write(static_cast<std::uint32_t>(seg.resolution), bit_length(max_size));
                resolution_written = true;
            }
            out.write(static_cast<std::uint32_t>(len), bit_length(remaining / seg.resolution));
            remaining -= static_cast<long>(len) * seg.resolution;
        }
        out.write_bit(1);
    }
}

void write_mapping(bit_writer& out, const segmentation& seg)
{
    int count = 1;
    auto write_number = [&](int t) {
        out.write(static_cast<std::uint32_t>(t), bit_length(count));
        if (t == count) ++count;
    };
    out.write_bit(seg.same_map_all_channels ? 1 : 0);
    const std::size_t channels = seg.same_map_all_channels ? 1 : seg.tables.size();
    for (std::size_t ch = 0; ch < channels; ++ch)
        for (std::size_t s = (ch == 0 ? 1 : 0); s < seg.tables[ch].size(); ++s) write_number(seg.tables[ch][s]);
}

int reverse7(int v)
{
    int r = 0;
    for (int i = 0; i < 7; ++i) r |= ((v >> i) & 1) << (6 - i);
    return r;
}

} // namespace

frame_encoder::frame_encoder(int channel_count, int rate_factor)
    : geometry_(channel_count, rate_factor),
      predictions_(static_cast<std::size_t>(channel_count) * static_cast<std::size_t>(geometry_.bits_per_channel))
{
}

std::vector<std::uint8_t> frame_encoder::plain_frame(std::span<const std::uint8_t> interleaved)
{
    // Coding flag 0, the discarded bit, six zero stuffing bits: one zero byte.
    std::vector<std::uint8_t> out;
    out.reserve(interleaved.size() + 1);
    out.push_back(0);
    out.insert(out.end(), interleaved.begin(), interleaved.end());
    summary_ = {};
    summary_.plain = true;
    summary_.bytes = out.size();
    return out;
}

std::vector<std::uint8_t> frame_encoder::encode(std::span<const std::uint8_t> interleaved,
                                                const encoder_options& options)
{
    const frame_geometry& g = geometry_;
    if (static_cast<long>(interleaved.size()) != g.frame_bytes())
        throw std::invalid_argument("a DST frame holds " + std::to_string(g.frame_bytes()) + " DSD bytes, not "
                                    + std::to_string(interleaved.size()));
    if (options.force_plain) return plain_frame(interleaved);

    const auto channels = static_cast<std::size_t>(g.channel_count);
    const auto bits = static_cast<std::size_t>(g.bits_per_channel);
    const frame_plan plan = make_frame_plan(options, g);

    std::vector<channel_bits> signal;
    signal.reserve(channels);
    for (std::size_t ch = 0; ch < channels; ++ch)
        signal.emplace_back(interleaved, g.channel_count, static_cast<int>(ch), g.bytes_per_channel);

    // Filters: least squares over every segment that uses them.
    std::vector<std::vector<int>> filters(static_cast<std::size_t>(plan.filters.table_count));
    for (std::size_t f = 0; f < filters.size(); ++f) {
        const int order = std::clamp(cyclic(options.filter_orders, f, max_filter_order), 1, max_filter_order);
        std::vector<double> r(static_cast<std::size_t>(order) + 1, 0.0);
        for (std::size_t ch = 0; ch < channels; ++ch) {
            const auto ranges = segment_ranges(plan.filters, static_cast<int>(ch), g.bits_per_channel);
            for (std::size_t s = 0; s < ranges.size(); ++s)
                if (plan.filters.tables[ch][s] == static_cast<int>(f))
                    add_autocorrelation(signal[ch], ranges[s].first, ranges[s].second, r);
        }
        filters[f] = estimate_filter(r);
    }

    // Predictions and the residual statistics of every probability table.
    std::vector<int> half_prob_bits(channels, 0);
    std::vector<residual_statistics> stats(static_cast<std::size_t>(plan.ptables.table_count));
    std::vector<std::vector<int>> ptable_of_bit(channels);
    for (std::size_t ch = 0; ch < channels; ++ch) {
        const std::span<std::int32_t> pred(predictions_.data() + ch * bits, bits);
        const auto ranges = segment_ranges(plan.filters, static_cast<int>(ch), g.bits_per_channel);
        for (std::size_t s = 0; s < ranges.size(); ++s)
            predict(signal[ch], ranges[s].first, ranges[s].second,
                    filters[static_cast<std::size_t>(plan.filters.tables[ch][s])], pred);
        half_prob_bits[ch] = plan.half_prob[ch] ? static_cast<int>(filters[static_cast<std::size_t>(plan.filters.tables[ch][0])].size()) : 0;
        ptable_of_bit[ch] = plan.ptables.table_of_bit(static_cast<int>(ch), g.bits_per_channel);
        for (std::size_t j = static_cast<std::size_t>(half_prob_bits[ch]); j < bits; ++j) {
            const int predicted = pred[j] >= 0 ? 1 : 0;
            stats[static_cast<std::size_t>(ptable_of_bit[ch][j])].add(pred[j], signal[ch].bit(static_cast<int>(j)) != predicted);
        }
    }
    std::vector<std::vector<int>> ptables(stats.size());
    for (std::size_t t = 0; t < ptables.size(); ++t)
        ptables[t] = build_probability_table(stats[t], cyclic(options.ptable_lengths, t, max_ptable_length));

    // The arithmetic code: one discarded bit, then the residuals with the
    // channels' bits interleaved.
    arith_encoder coder;
    coder.encode(0, reverse7(filters[0][0] & 0x7F) + 1);
    for (std::size_t j = 0; j < bits; ++j) {
        for (std::size_t ch = 0; ch < channels; ++ch) {
            const std::int32_t prediction = predictions_[ch * bits + j];
            int p = 128;
            if (j >= static_cast<std::size_t>(half_prob_bits[ch])) {
                const std::vector<int>& table = ptables[static_cast<std::size_t>(ptable_of_bit[ch][j])];
                p = table[ptable_index(prediction, table.size())];
            }
            const int predicted = prediction >= 0 ? 1 : 0;
            coder.encode(signal[ch].bit(static_cast<int>(j)) != predicted ? 1 : 0, p);
        }
    }
    const std::vector<std::uint8_t> code = coder.finish();

    bit_writer out;
    out.write_bit(1);
    out.write_bit(plan.ptable_same_seg_as_filter ? 1 : 0);
    write_segmentation(out, plan.filters, 128, g.bytes_per_channel);
    if (!plan.ptable_same_seg_as_filter) write_segmentation(out, plan.ptables, 4, g.bytes_per_channel);
    out.write_bit(plan.ptable_same_map_as_filter ? 1 : 0);
    write_mapping(out, plan.filters);
    if (!plan.ptable_same_map_as_filter) write_mapping(out, plan.ptables);
    for (int flag : plan.half_prob) out.write_bit(flag);
    for (std::size_t f = 0; f < filters.size(); ++f)
        write_filter(out, filters[f], cyclic(options.filter_coding, f, table_coding::automatic));
    for (std::size_t t = 0; t < ptables.size(); ++t)
        write_ptable(out, ptables[t], cyclic(options.ptable_coding, t, table_coding::automatic));
    const long header_bits = static_cast<long>(out.bit_count());
    out.write_bit_array(code);

    std::vector<std::uint8_t> frame = out.take_bytes();
    const long code_bits = static_cast<long>(frame.size()) * 8 - header_bits;
    const bool too_long = code_bits > g.max_adata_bits;
    const bool no_gain = options.plain_fallback && static_cast<long>(frame.size()) >= g.frame_bytes() + 1;
    if (too_long || no_gain) return plain_frame(interleaved);

    summary_ = {};
    summary_.bytes = frame.size();
    summary_.header_bits = header_bits;
    summary_.code_bits = code_bits;
    summary_.filter_count = plan.filters.table_count;
    summary_.ptable_count = plan.ptables.table_count;
    return frame;
}

std::vector<std::uint8_t> encode_frame(std::span<const std::uint8_t> interleaved, int channel_count, int rate_factor,
                                       const encoder_options& options)
{
    frame_encoder encoder(channel_count, rate_factor);
    return encoder.encode(interleaved, options);
}

} // namespace dst_encoder
