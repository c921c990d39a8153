// The lookahead kernel built for x86-64 processors with AVX2, BMI2 and LZCNT (every such
// processor has all three). Every header the kernel needs is included before the target
// switch, but for the kernel's own (dst_lookahead_kernel.h and the helpers it includes,
// whose functions all have internal linkage), so that only these are built for it: no
// shared inline function can end up in a form that needs these instructions.
#include "dst/dst_lookahead.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "dst/dst_frame_header.h"
#include "dst/dst_lookahead_tables.h"
#include "dst/dst_packed_code.h"
#include "dst/dst_reconstruction.h"
#include "util/instruction_sets.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,bmi,bmi2,lzcnt,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,lzcnt,popcnt")
#endif

#include "dst/dst_lookahead_kernel.h"

int reconstruct_lookahead_bmi2(const dst_frame_header& header, const dst_lookahead_tables& tables,
                               const dst_packed_code& code, std::uint8_t* staging, std::uint8_t* out,
                               std::int64_t& code_bits_read)
{
    return reconstruct_lookahead_kernel(header, tables, code, first_bit_probability(header.filter_coef(0, 0)),
                                        staging, out, code_bits_read);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool lookahead_bmi2_available()
{
    // Every extension the target switch above names.
    static const bool available = kernel_may_use({instruction_set::avx, instruction_set::avx2, instruction_set::bmi1,
                                                  instruction_set::bmi2, instruction_set::lzcnt,
                                                  instruction_set::popcnt});
    return available;
}

#else

int reconstruct_lookahead_bmi2(const dst_frame_header& header, const dst_lookahead_tables& tables,
                               const dst_packed_code& code, std::uint8_t* staging, std::uint8_t* out,
                               std::int64_t& code_bits_read)
{
    return reconstruct_lookahead_portable(header, tables, code, staging, out, code_bits_read);
}

bool lookahead_bmi2_available() { return false; }

#endif
