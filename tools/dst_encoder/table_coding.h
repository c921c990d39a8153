// Writing filter coefficients and probability tables: plainly, or as the
// Rice-coded residual of one of three fixed predictors.
#pragma once

#include "dst_encoder/bit_writer.h"
#include "dst_encoder/encoder_options.h"

#include <span>

namespace dst_encoder {

enum class table_kind { filter, ptable };

// Bits of value v Rice-coded with parameter m: unary quotient of |v| >> m, the
// m low bits, a sign bit when v is not 0.
long rice_bits(int v, int m);
void write_rice(bit_writer& out, int v, int m);

// The method actually written for a table of `length` entries: a forced method
// the length does not allow becomes the longest allowed one or plain; automatic
// picks the fewest bits.
table_coding resolve_coding(table_kind kind, std::span<const int> entries, table_coding wanted);

// Bits of one definition (order or length field included) with a resolved method.
long definition_bits(table_kind kind, std::span<const int> entries, table_coding method);

// Filter: 7-bit order - 1, coding flag, then 9-bit coefficients or method,
// first coefficients, 3-bit Rice parameter, residuals. Coefficients -256..255.
void write_filter(bit_writer& out, std::span<const int> coef, table_coding wanted);
// Probability table: 6-bit length - 1, and unless the length is 1: coding flag,
// then 7-bit entries - 1 or method, first entries, Rice parameter, residuals.
// Entries 1..128.
void write_ptable(bit_writer& out, std::span<const int> entries, table_coding wanted);

} // namespace dst_encoder
