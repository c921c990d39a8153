#include "dst/dst_frame_header.h"

void dst_segmentation::create(int channel_count, int max_segments)
{
    const auto n = static_cast<std::size_t>(channel_count);
    const auto s = static_cast<std::size_t>(max_segments);
    resolution = 1;
    segment_length.assign(n, s);
    segment_count.assign(n, 1);
    segment_table.assign(n, s);
}

void dst_segmentation::release()
{
    segment_length.release();
    std::vector<std::int32_t>().swap(segment_count);
    segment_table.release();
}

void dst_frame_header::create(const dst_geometry& g)
{
    geometry = g;
    const auto n = static_cast<std::size_t>(g.channel_count);
    const auto filters = static_cast<std::size_t>(g.max_filters);
    const auto tables = static_cast<std::size_t>(g.max_ptables);
    const auto bytes = static_cast<std::size_t>(g.bytes_per_channel);

    filter_count = ptable_count = 0;
    filter_order.assign(filters, 1);
    filter_coef.assign(filters, dst_geometry::max_filter_order);
    ptable_length.assign(tables, 1);
    ptables.assign(tables, dst_geometry::max_ptable_length, 128);
    half_prob.assign(n, 0);
    half_prob_bits.assign(n, 0);
    filter_seg.create(g.channel_count, max_filter_segments);
    ptable_seg.create(g.channel_count, max_ptable_segments);
    filter_of_byte.assign(n, bytes);
    ptable_of_byte.assign(n, bytes);
}

void dst_frame_header::release()
{
    geometry = {};
    filter_count = ptable_count = 0;
    std::vector<std::int32_t>().swap(filter_order);
    filter_coef.release();
    std::vector<std::int32_t>().swap(ptable_length);
    ptables.release();
    std::vector<std::int32_t>().swap(half_prob);
    std::vector<std::int32_t>().swap(half_prob_bits);
    filter_seg.release();
    ptable_seg.release();
    filter_of_byte.release();
    ptable_of_byte.release();
}
