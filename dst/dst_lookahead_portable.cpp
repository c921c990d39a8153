#include "dst/dst_lookahead.h"

#include "dst/dst_lookahead_kernel.h"
#include "dst/dst_reconstruction.h"

int reconstruct_lookahead_portable(const dst_frame_header& header, const dst_lookahead_tables& tables,
                                   const dst_packed_code& code, std::uint8_t* staging, std::uint8_t* out,
                                   std::int64_t& code_bits_read)
{
    return reconstruct_lookahead_kernel(header, tables, code, first_bit_probability(header.filter_coef(0, 0)),
                                        staging, out, code_bits_read);
}
