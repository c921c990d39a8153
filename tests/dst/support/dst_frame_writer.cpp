#include "dst_frame_writer.h"

#include <bit>

int dst_field_width(std::int64_t v)
{
    return v < 1 ? 0 : std::bit_width(static_cast<std::uint64_t>(v));
}

const std::vector<std::int32_t>& dst_predictor(int kind, int method)
{
    static const std::vector<std::int32_t> predictors[2][3] = {
        {{-8}, {-16, 8}, {-9, -5, 6}},
        {{-8}, {-16, 8}, {-24, 24, -8}},
    };
    return predictors[kind][method];
}

std::int64_t dst_predicted_residual(int kind, int method, const std::vector<std::int32_t>& values, std::size_t i)
{
    const auto& c = dst_predictor(kind, method);
    std::int64_t x = 0;
    for (std::size_t k = 0; k < c.size(); ++k)
        x += c[k] * values[i - 1 - k];
    // ⌊(x + 4) / 8⌋ written with division, rounding toward minus infinity by hand.
    const std::int64_t numerator = x + 4;
    const std::int64_t offset = numerator >= 0 ? numerator / 8 : -((-numerator + 7) / 8);
    return values[i] + offset;
}

void write_segmentation(dst_bit_writer& w, const dst_segmentation_desc& seg, int channel_count,
                        std::int32_t bytes_per_channel, int min_segment_bits)
{
    const std::int64_t max_size = bytes_per_channel - min_segment_bits / 8;
    w.bit(seg.same_for_all_channels ? 1 : 0);
    const int rows = seg.same_for_all_channels ? 1 : channel_count;
    bool resolution_written = false;
    for (int ch = 0; ch < rows; ++ch) {
        std::int64_t remaining = max_size;
        for (std::int64_t length : seg.lengths[static_cast<std::size_t>(ch)]) {
            w.bit(0);
            if (!resolution_written) {
                w.bits(static_cast<std::uint64_t>(seg.resolution), dst_field_width(max_size));
                resolution_written = true;
            }
            // A resolution of 0 is invalid; the decoder stops before the length, so its width is moot.
            const std::int64_t units = seg.resolution > 0 ? remaining / seg.resolution : 0;
            w.bits(static_cast<std::uint64_t>(length), dst_field_width(units));
            remaining -= length * seg.resolution;
        }
        w.bit(1);
    }
}

void write_mapping(dst_bit_writer& w, const dst_mapping_desc& map, int channel_count)
{
    w.bit(map.same_for_all_channels ? 1 : 0);
    std::int64_t count = 1;
    const int rows = map.same_for_all_channels ? 1 : channel_count;
    for (int ch = 0; ch < rows; ++ch) {
        const auto& tables = map.tables[static_cast<std::size_t>(ch)];
        for (std::size_t s = (ch == 0 ? 1 : 0); s < tables.size(); ++s) {
            w.bits(static_cast<std::uint64_t>(tables[s]), dst_field_width(count));
            if (tables[s] == count)
                ++count;
        }
    }
}

namespace {

void write_predicted(dst_bit_writer& w, int kind, const dst_table_desc& table, int value_bias, int value_width)
{
    w.bits(static_cast<std::uint64_t>(table.method), 2);
    if (table.method == 3)
        return;
    const std::size_t order = dst_predictor(kind, table.method).size();
    for (std::size_t k = 0; k < order && k < table.values.size(); ++k)
        w.bits(static_cast<std::uint64_t>(table.values[k] - value_bias) & ((1u << value_width) - 1), value_width);
    w.bits(static_cast<std::uint64_t>(table.rice_param), 3);
    for (std::size_t i = order; i < table.values.size(); ++i)
        w.rice(dst_predicted_residual(kind, table.method, table.values, i), table.rice_param);
}

}  // namespace

void write_filter(dst_bit_writer& w, const dst_table_desc& filter)
{
    w.bits(filter.values.size() - 1, 7);
    w.bit(filter.method >= 0 ? 1 : 0);
    if (filter.method < 0) {
        for (std::int32_t c : filter.values)
            w.coef9(c);
        return;
    }
    write_predicted(w, 0, filter, 0, 9);
}

void write_ptable(dst_bit_writer& w, const dst_table_desc& ptable)
{
    w.bits(ptable.values.size() - 1, 6);
    if (ptable.values.size() == 1)
        return;
    w.bit(ptable.method >= 0 ? 1 : 0);
    if (ptable.method < 0) {
        for (std::int32_t p : ptable.values)
            w.bits(static_cast<std::uint64_t>(p - 1), 7);
        return;
    }
    write_predicted(w, 1, ptable, 1, 7);
}

void write_coded_header(dst_bit_writer& w, const dst_coded_frame_desc& frame)
{
    const int n = frame.channel_count;
    w.bit(1);
    w.bit(frame.ptable_same_seg_as_filter ? 1 : 0);
    write_segmentation(w, frame.filter_seg, n, frame.bytes_per_channel, 1024);
    if (!frame.ptable_same_seg_as_filter)
        write_segmentation(w, frame.ptable_seg, n, frame.bytes_per_channel, 32);
    w.bit(frame.ptable_same_map_as_filter ? 1 : 0);
    write_mapping(w, frame.filter_map, n);
    if (!frame.ptable_same_map_as_filter)
        write_mapping(w, frame.ptable_map, n);
    for (int ch = 0; ch < n; ++ch)
        w.bit(static_cast<unsigned>(frame.half_prob[static_cast<std::size_t>(ch)]));
    for (const auto& f : frame.filters)
        write_filter(w, f);
    for (const auto& p : frame.ptables)
        write_ptable(w, p);
}

std::vector<std::uint8_t> coded_frame_bytes(const dst_coded_frame_desc& frame)
{
    dst_bit_writer w;
    write_coded_header(w, frame);
    w.bit_array(frame.adata);
    return w.bytes();
}

std::vector<std::uint8_t> plain_frame_bytes(const std::vector<std::uint8_t>& dsd, unsigned ignored_bit,
                                            unsigned stuffing)
{
    dst_bit_writer w;
    w.bit(0).bit(ignored_bit).bits(stuffing, 6);
    for (std::uint8_t b : dsd)
        w.bits(b, 8);
    return w.bytes();
}

dst_coded_frame_desc single_segment_frame(int channel_count, std::int32_t bytes_per_channel, dst_table_desc filter,
                                          dst_table_desc ptable, std::vector<std::uint8_t> adata, int half_prob)
{
    dst_coded_frame_desc frame;
    frame.channel_count = channel_count;
    frame.bytes_per_channel = bytes_per_channel;
    frame.filter_seg.lengths = {{}};
    frame.filter_map.tables = {{0}};
    frame.half_prob.assign(static_cast<std::size_t>(channel_count), half_prob);
    frame.filters = {std::move(filter)};
    frame.ptables = {std::move(ptable)};
    frame.adata = std::move(adata);
    return frame;
}
