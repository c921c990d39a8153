// Entry points of the lookahead form of DST reconstruction (dst_lookahead_kernel.h), one per
// instruction-set level; all give the same bytes and status as reconstruct_reference.
#pragma once

#include <cstdint>

#include "dst/dst_frame_header.h"
#include "dst/dst_lookahead_tables.h"
#include "dst/dst_packed_code.h"

// Any processor.
int reconstruct_lookahead_portable(const dst_frame_header& header, const dst_lookahead_tables& tables,
                                   const dst_packed_code& code, std::uint8_t* staging, std::uint8_t* out,
                                   std::int64_t& code_bits_read);

// x86-64 with AVX2, BMI2 and LZCNT (one-cycle variable shifts, leading-zero count); call only
// when lookahead_bmi2_available().
int reconstruct_lookahead_bmi2(const dst_frame_header& header, const dst_lookahead_tables& tables,
                               const dst_packed_code& code, std::uint8_t* staging, std::uint8_t* out,
                               std::int64_t& code_bits_read);

// True when this build has the BMI2 form and the processor runs it.
bool lookahead_bmi2_available();
