#include "dst_encoder/table_coding.h"

#include <array>
#include <limits>
#include <stdexcept>
#include <vector>

namespace dst_encoder {

namespace {

// Fixed predictor coefficients of methods 0..2 (orders 1, 2, 3).
constexpr std::array<std::array<int, 3>, 3> filter_predictors{{{-8, 0, 0}, {-16, 8, 0}, {-9, -5, 6}}};
constexpr std::array<std::array<int, 3>, 3> ptable_predictors{{{-8, 0, 0}, {-16, 8, 0}, {-24, 24, -8}}};

int method_index(table_coding c)
{
    switch (c) {
    case table_coding::method_0: return 0;
    case table_coding::method_1: return 1;
    case table_coding::method_2: return 2;
    default: return -1;
    }
}

table_coding method_of(int index)
{
    static constexpr table_coding methods[] = {table_coding::method_0, table_coding::method_1, table_coding::method_2};
    return methods[index];
}

// Residuals of entries P.. under method `index`: what the decoder's Rice value must be.
std::vector<int> residuals(table_kind kind, std::span<const int> e, int index)
{
    const auto& c = (kind == table_kind::filter ? filter_predictors : ptable_predictors)[static_cast<std::size_t>(index)];
    const std::size_t order = static_cast<std::size_t>(index) + 1;
    std::vector<int> out;
    for (std::size_t i = order; i < e.size(); ++i) {
        std::int32_t x = 0;
        for (std::size_t k = 0; k < order; ++k) x += c[k] * e[i - 1 - k];
        out.push_back(e[i] + ((x + 4) >> 3)); // arithmetic shift: floor((x + 4) / 8)
    }
    return out;
}

struct rice_choice {
    int m = 0;
    long bits = std::numeric_limits<long>::max();
};

rice_choice best_rice(const std::vector<int>& values)
{
    rice_choice best;
    for (int m = 0; m < 8; ++m) {
        long bits = 0;
        for (int v : values) bits += rice_bits(v, m);
        if (bits < best.bits) best = {m, bits};
    }
    return best;
}

int entry_bits(table_kind kind) { return kind == table_kind::filter ? 9 : 7; }

void write_entry(bit_writer& out, table_kind kind, int v)
{
    if (kind == table_kind::filter) out.write(static_cast<std::uint32_t>(v) & 0x1FF, 9);
    else out.write(static_cast<std::uint32_t>(v - 1), 7);
}

void write_definition(bit_writer& out, table_kind kind, std::span<const int> e, table_coding wanted)
{
    const table_coding method = resolve_coding(kind, e, wanted);
    const int index = method_index(method);
    out.write_bit(index >= 0 ? 1 : 0);
    if (index < 0) {
        for (int v : e) write_entry(out, kind, v);
        return;
    }
    out.write(static_cast<std::uint32_t>(index), 2);
    for (int i = 0; i <= index; ++i) write_entry(out, kind, e[static_cast<std::size_t>(i)]);
    const std::vector<int> r = residuals(kind, e, index);
    const rice_choice rice = best_rice(r);
    out.write(static_cast<std::uint32_t>(rice.m), 3);
    for (int v : r) write_rice(out, v, rice.m);
}

} // namespace

long rice_bits(int v, int m)
{
    const long magnitude = v < 0 ? -static_cast<long>(v) : v;
    return (magnitude >> m) + 1 + m + (v != 0 ? 1 : 0);
}

void write_rice(bit_writer& out, int v, int m)
{
    const std::uint32_t magnitude = v < 0 ? 0U - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
    for (std::uint32_t q = magnitude >> m; q > 0; --q) out.write_bit(0);
    out.write_bit(1);
    out.write(magnitude & ((1U << m) - 1), m);
    if (v != 0) out.write_bit(v < 0 ? 1 : 0);
}

long definition_bits(table_kind kind, std::span<const int> e, table_coding method)
{
    const long head = kind == table_kind::filter ? 7 : 6;
    if (kind == table_kind::ptable && e.size() == 1) return head;
    const int index = method_index(method);
    if (index < 0) return head + 1 + static_cast<long>(e.size()) * entry_bits(kind);
    return head + 1 + 2 + (index + 1) * entry_bits(kind) + 3 + best_rice(residuals(kind, e, index)).bits;
}

table_coding resolve_coding(table_kind kind, std::span<const int> e, table_coding wanted)
{
    const int longest = std::min(2, static_cast<int>(e.size()) - 2); // method i needs i + 1 < length
    if (wanted == table_coding::automatic) {
        table_coding best = table_coding::plain;
        long best_bits = definition_bits(kind, e, best);
        for (int i = 0; i <= longest; ++i) {
            const long bits = definition_bits(kind, e, method_of(i));
            if (bits < best_bits) {
                best = method_of(i);
                best_bits = bits;
            }
        }
        return best;
    }
    const int index = method_index(wanted);
    if (index < 0) return table_coding::plain;
    if (index <= longest) return wanted;
    return longest >= 0 ? method_of(longest) : table_coding::plain;
}

void write_filter(bit_writer& out, std::span<const int> coef, table_coding wanted)
{
    if (coef.empty() || coef.size() > 128) throw std::invalid_argument("filter order must be 1..128");
    out.write(static_cast<std::uint32_t>(coef.size() - 1), 7);
    write_definition(out, table_kind::filter, coef, wanted);
}

void write_ptable(bit_writer& out, std::span<const int> entries, table_coding wanted)
{
    if (entries.empty() || entries.size() > 64) throw std::invalid_argument("probability table length must be 1..64");
    out.write(static_cast<std::uint32_t>(entries.size() - 1), 6);
    if (entries.size() == 1) return; // always 128, no coding flag
    write_definition(out, table_kind::ptable, entries, wanted);
}

} // namespace dst_encoder
