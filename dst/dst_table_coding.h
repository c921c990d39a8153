// The filter and probability-table sections of a coded DST frame: each table is coded
// plainly or as the Rice-coded residual of a small fixed predictor.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "dst/dst_bit_reader.h"
#include "dst/dst_frame_header.h"
#include "dst/dst_matrix.h"

struct dst_table_coding {
    enum kind_t : int { filters = 0, ptables = 1 };

    std::array<std::int32_t, 3> pred_order{};                     // per method: 1, 2, 3
    std::array<std::array<std::int32_t, 3>, 3> pred_coef{};       // per method, beyond the order 0
    std::vector<std::int32_t> coded;                              // per table: 1 if predicted
    std::vector<std::int32_t> method;                             // per table: 0..2, −1 if plain
    dst_matrix<std::int32_t> rice_param;                          // per table and method
    int kind = filters;

    // Sets the fixed predictors of the kind and sizes the per-table records.
    void create(int table_kind, int max_tables);
    void release();
};

// Rice value with parameter m (0..7). The unary count stops at the end of the frame:
// a run of zeros reaching it throws the truncated-frame error. 64 bits: the unary count
// of a long frame exceeds 32 bits once scaled; callers range-check the result.
std::int64_t rice_decode(dst_bit_reader& reader, int m);

// A 9-bit two's-complement value, −256..255.
std::int32_t read_coef9(dst_bit_reader& reader);

// ⌊(x + 4) / 8⌋, the rounded prediction that predicted coding subtracts from each residual.
constexpr std::int32_t predicted_coding_offset(std::int32_t x) { return (x + 4) >> 3; }

// Reads header.filter_count filters, then sets each channel's half_prob_bits.
void read_filters(dst_bit_reader& reader, dst_frame_header& header, dst_table_coding& coding);

// Reads header.ptable_count probability tables.
void read_ptables(dst_bit_reader& reader, dst_frame_header& header, dst_table_coding& coding);
