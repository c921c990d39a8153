// Reconstruction of a coded DST frame's bits, wide form: the fast form for any filter,
// used where the lookahead form's 16-bit sums could overflow (dst_lookahead_tables.h).
// Same results as reconstruct_reference, bit for bit, by different means: each channel's history is
// 128 packed bits, the prediction is summed from per-frame tables over its 8-bit groups,
// the arithmetic decoder lives in local variables for the whole frame and reads its code
// from a zero-padded packed buffer without bounds checks, and each 8 decoded bits of a
// channel are already its output byte.
#pragma once

#include <cstdint>

#include "dst/dst_frame_header.h"
#include "dst/dst_packed_code.h"
#include "dst/dst_prediction_tables.h"

// staging holds N × bytes_per_channel bytes; it is copied to out only when the code ends
// properly. Returns 0 then, or 1 with out untouched. code_bits_read receives the final read position.
int reconstruct_wide(const dst_frame_header& header, const dst_prediction_tables& tables, const dst_packed_code& code,
                     std::uint8_t* staging, std::uint8_t* out, std::int64_t& code_bits_read);
