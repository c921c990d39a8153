#include "frame_syntax.h"

#include <string>

namespace dst_test {

namespace {

class reader {
public:
    explicit reader(std::span<const std::uint8_t> d) : data_(d) {}
    std::uint32_t bits(int n)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++pos_) {
            if (pos_ / 8 >= data_.size()) throw std::runtime_error("frame syntax runs past the frame");
            v = 2 * v + ((data_[pos_ / 8] >> (7 - pos_ % 8)) & 1U);
        }
        return v;
    }
    long position() const { return static_cast<long>(pos_); }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

int width(long v)
{
    int n = 0;
    for (; v > 0; v >>= 1) ++n;
    return n;
}

void fail(const std::string& what) { throw std::runtime_error(what); }

void read_segmentation(reader& in, segmentation_syntax& seg, int channels, int bytes, int max_segments, int min_bits)
{
    const long max_size = bytes - min_bits / 8;
    bool have_resolution = false;
    seg.same_seg_all_channels = in.bits(1) == 1;
    seg.lengths.assign(static_cast<std::size_t>(channels), {});
    for (int ch = 0; ch < (seg.same_seg_all_channels ? 1 : channels); ++ch) {
        long remaining = max_size, used = 0;
        while (in.bits(1) == 0) {
            if (static_cast<int>(seg.lengths[static_cast<std::size_t>(ch)].size()) >= max_segments - 1) fail("too many segments");
            if (!have_resolution) {
                seg.resolution = static_cast<int>(in.bits(width(max_size)));
                if (seg.resolution == 0 || seg.resolution > max_size) fail("bad resolution");
                have_resolution = true;
            }
            const int len = static_cast<int>(in.bits(width(remaining / seg.resolution)));
            const long length_bits = 8L * len * seg.resolution;
            if (length_bits < min_bits || length_bits > 8L * bytes - used - min_bits) fail("bad segment length");
            remaining -= static_cast<long>(len) * seg.resolution;
            used += length_bits;
            seg.lengths[static_cast<std::size_t>(ch)].push_back(len);
        }
    }
    if (seg.same_seg_all_channels)
        for (auto& l : seg.lengths) l = seg.lengths[0];
    if (!have_resolution) seg.resolution = 1;
}

void read_mapping(reader& in, segmentation_syntax& seg, int channels, int limit)
{
    int count = 1;
    seg.tables.assign(static_cast<std::size_t>(channels), {});
    for (int ch = 0; ch < channels; ++ch) seg.tables[static_cast<std::size_t>(ch)].assign(seg.lengths[static_cast<std::size_t>(ch)].size() + 1, 0);
    seg.same_map_all_channels = in.bits(1) == 1;
    for (int ch = 0; ch < (seg.same_map_all_channels ? 1 : channels); ++ch) {
        auto& t = seg.tables[static_cast<std::size_t>(ch)];
        for (std::size_t s = (ch == 0 ? 1 : 0); s < t.size(); ++s) {
            const int v = static_cast<int>(in.bits(width(count)));
            if (v > count) fail("bad table number");
            if (v == count) ++count;
            t[s] = v;
        }
    }
    if (seg.same_map_all_channels) {
        for (auto& t : seg.tables) {
            if (t.size() != seg.tables[0].size()) fail("shared mapping over different counts");
            t = seg.tables[0];
        }
    }
    if (count > limit) fail("too many tables");
    seg.table_count = count;
}

// Skips a Rice value and returns it.
int rice(reader& in, int m)
{
    int q = 0;
    while (in.bits(1) == 0) ++q;
    int v = (q << m) + static_cast<int>(in.bits(m));
    if (v != 0 && in.bits(1) == 1) v = -v;
    return v;
}

} // namespace

frame_syntax read_frame_syntax(std::span<const std::uint8_t> frame, int channels, int rate_factor)
{
    const int bytes = 588 * rate_factor / 8;
    reader in(frame);
    frame_syntax s;
    s.coded = in.bits(1) == 1;
    if (!s.coded) {
        in.bits(1);
        if (in.bits(6) != 0) fail("bad stuffing");
        s.header_bits = 8;
        return s;
    }
    s.ptable_same_seg_as_filter = in.bits(1) == 1;
    read_segmentation(in, s.filters, channels, bytes, 4, 1024);
    if (s.ptable_same_seg_as_filter) {
        s.ptables.lengths = s.filters.lengths;
        s.ptables.resolution = s.filters.resolution;
    } else {
        read_segmentation(in, s.ptables, channels, bytes, 8, 32);
    }
    s.ptable_same_map_as_filter = in.bits(1) == 1;
    read_mapping(in, s.filters, channels, 2 * channels);
    if (s.ptable_same_map_as_filter) {
        for (int ch = 0; ch < channels; ++ch)
            if (s.ptables.lengths[static_cast<std::size_t>(ch)].size() != s.filters.lengths[static_cast<std::size_t>(ch)].size())
                fail("filter and table segment counts differ");
        s.ptables.tables = s.filters.tables;
        s.ptables.table_count = s.filters.table_count;
    } else {
        read_mapping(in, s.ptables, channels, 2 * channels);
    }
    for (int ch = 0; ch < channels; ++ch) s.half_prob.push_back(static_cast<int>(in.bits(1)));

    for (int f = 0; f < s.filters.table_count; ++f) {
        const int order = static_cast<int>(in.bits(7)) + 1;
        s.filter_orders.push_back(order);
        if (in.bits(1) == 0) {
            s.filter_methods.push_back(-1);
            in.bits(9 * order);
            continue;
        }
        const int method = static_cast<int>(in.bits(2));
        if (method == 3 || method + 1 >= order) fail("bad filter coding method");
        s.filter_methods.push_back(method);
        in.bits(9 * (method + 1));
        const int m = static_cast<int>(in.bits(3));
        for (int i = method + 1; i < order; ++i) rice(in, m);
    }
    for (int t = 0; t < s.ptables.table_count; ++t) {
        const int length = static_cast<int>(in.bits(6)) + 1;
        s.ptable_lengths.push_back(length);
        if (length == 1) {
            s.ptable_methods.push_back(-2);
            continue;
        }
        if (in.bits(1) == 0) {
            s.ptable_methods.push_back(-1);
            in.bits(7 * length);
            continue;
        }
        const int method = static_cast<int>(in.bits(2));
        if (method == 3 || method + 1 >= length) fail("bad table coding method");
        s.ptable_methods.push_back(method);
        in.bits(7 * (method + 1));
        const int m = static_cast<int>(in.bits(3));
        for (int i = method + 1; i < length; ++i) rice(in, m);
    }
    s.header_bits = in.position();
    return s;
}

} // namespace dst_test
