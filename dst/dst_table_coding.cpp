#include "dst/dst_table_coding.h"

#include <span>
#include <stdexcept>

#include "dst/dst_frame_error.h"

void dst_table_coding::create(int table_kind, int max_tables)
{
    kind = table_kind;
    pred_order = {1, 2, 3};
    if (table_kind == filters)
        pred_coef = {{{-8, 0, 0}, {-16, 8, 0}, {-9, -5, 6}}};
    else
        pred_coef = {{{-8, 0, 0}, {-16, 8, 0}, {-24, 24, -8}}};
    const auto n = static_cast<std::size_t>(max_tables);
    coded.assign(n, 0);
    method.assign(n, -1);
    rice_param.assign(n, 3);
}

void dst_table_coding::release()
{
    std::vector<std::int32_t>().swap(coded);
    std::vector<std::int32_t>().swap(method);
    rice_param.release();
}

std::int64_t rice_decode(dst_bit_reader& reader, int m)
{
    std::int64_t q = 0;
    for (;;) {
        if (reader.exhausted())
            throw std::runtime_error(dst_truncated_frame_message);
        if (reader.read_bits(1) == 1)
            break;
        ++q;
    }
    const std::int64_t r = reader.read_bits(m);
    std::int64_t v = (q << m) + r;
    if (v != 0 && reader.read_bits(1) == 1)
        v = -v;
    return v;
}

std::int32_t read_coef9(dst_bit_reader& reader)
{
    const auto v = static_cast<std::int32_t>(reader.read_bits(9));
    return v >= 256 ? v - 512 : v;
}

namespace {

// Rebuilds entries [order, count) of a table from its first entries and the Rice residuals.
// Returns false when an entry leaves [low, high]; its value is then not stored.
bool read_predicted(dst_bit_reader& reader, const dst_table_coding& coding, int method, int m,
                    std::span<std::int32_t> entries, std::int32_t low, std::int32_t high)
{
    const auto& c = coding.pred_coef[static_cast<std::size_t>(method)];
    const std::int32_t order = coding.pred_order[static_cast<std::size_t>(method)];
    for (std::size_t i = static_cast<std::size_t>(order); i < entries.size(); ++i) {
        // |entries| ≤ 256 and |c| ≤ 24: x stays far inside 32 bits.
        std::int32_t x = 0;
        for (std::int32_t k = 0; k < order; ++k)
            x += c[static_cast<std::size_t>(k)] * entries[i - 1 - static_cast<std::size_t>(k)];
        const std::int64_t e = rice_decode(reader, m) - predicted_coding_offset(x);
        if (e < low || e > high)
            return false;
        entries[i] = static_cast<std::int32_t>(e);
    }
    return true;
}

}  // namespace

void read_filters(dst_bit_reader& reader, dst_frame_header& header, dst_table_coding& coding)
{
    for (std::int32_t f = 0; f < header.filter_count; ++f) {
        const auto fi = static_cast<std::size_t>(f);
        const auto order = static_cast<std::int32_t>(reader.read_bits(7)) + 1;
        header.filter_order[fi] = order;
        auto coef = header.filter_coef.row(fi).first(static_cast<std::size_t>(order));
        coding.coded[fi] = static_cast<std::int32_t>(reader.read_bits(1));
        if (coding.coded[fi] == 0) {
            coding.method[fi] = -1;
            for (auto& c : coef)
                c = read_coef9(reader);
            continue;
        }
        const auto method = static_cast<std::int32_t>(reader.read_bits(2));
        coding.method[fi] = method;
        if (method == 3 || coding.pred_order[static_cast<std::size_t>(method)] >= order)
            throw_frame_error(reader, "Invalid coefficient coding method!");
        for (std::int32_t k = 0; k < coding.pred_order[static_cast<std::size_t>(method)]; ++k)
            coef[static_cast<std::size_t>(k)] = read_coef9(reader);
        const auto m = static_cast<std::int32_t>(reader.read_bits(3));
        coding.rice_param(fi, static_cast<std::size_t>(method)) = m;
        if (!read_predicted(reader, coding, method, m, coef, -256, 255))
            throw_frame_error(reader, "filter coefficient out of range!");
    }
    for (int ch = 0; ch < header.geometry.channel_count; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        header.half_prob_bits[c] = header.filter_order[static_cast<std::size_t>(header.filter_seg.segment_table(c, 0))];
    }
}

void read_ptables(dst_bit_reader& reader, dst_frame_header& header, dst_table_coding& coding)
{
    for (std::int32_t t = 0; t < header.ptable_count; ++t) {
        const auto ti = static_cast<std::size_t>(t);
        const auto length = static_cast<std::int32_t>(reader.read_bits(6)) + 1;
        header.ptable_length[ti] = length;
        auto entries = header.ptables.row(ti).first(static_cast<std::size_t>(length));
        if (length == 1) {
            entries[0] = 128;
            coding.coded[ti] = 0;
            coding.method[ti] = -1;
            continue;
        }
        coding.coded[ti] = static_cast<std::int32_t>(reader.read_bits(1));
        if (coding.coded[ti] == 0) {
            coding.method[ti] = -1;
            for (auto& e : entries)
                e = static_cast<std::int32_t>(reader.read_bits(7)) + 1;
            continue;
        }
        const auto method = static_cast<std::int32_t>(reader.read_bits(2));
        coding.method[ti] = method;
        if (method == 3 || coding.pred_order[static_cast<std::size_t>(method)] >= length)
            throw_frame_error(reader, "Invalid Ptable coding method!");
        for (std::int32_t k = 0; k < coding.pred_order[static_cast<std::size_t>(method)]; ++k)
            entries[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(reader.read_bits(7)) + 1;
        const auto m = static_cast<std::int32_t>(reader.read_bits(3));
        coding.rice_param(ti, static_cast<std::size_t>(method)) = m;
        if (!read_predicted(reader, coding, method, m, entries, 1, 128))
            throw_frame_error(reader, "Ptable entry out of range!");
    }
}
