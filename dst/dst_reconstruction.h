// Reconstruction of a coded DST frame's bits in its plain reference form: for every bit
// of every channel, a dot product of the filter over the channel's ring of past ±1 bits,
// a probability-table lookup and one arithmetic-decoder step. The fast forms, lookahead
// (dst_lookahead.h) and wide (dst_fast_reconstruction.h), must give the same bytes and
// status bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "dst/dst_frame_header.h"
#include "dst/dst_matrix.h"

// Probability of the arithmetic code's first, discarded bit: the 7 low bits of the first
// filter's first coefficient mirrored, plus 1 (1..128).
std::uint32_t first_bit_probability(std::int32_t first_coefficient);

// The per-bit work tables of the reference form. Sized on first use: decoding through
// the fast form never needs them.
struct dst_reference_work {
    std::vector<std::int32_t> ring_pos;        // per channel: index of the newest bit in bit_history
    dst_matrix<std::int32_t> bit_history;      // N × 128, ±1
    dst_matrix<std::int8_t> dsd_bits;          // N × bits_per_channel, ±1
    dst_matrix<std::uint8_t> residual_bits;    // N × bits_per_channel, 0 or 1
    dst_matrix<std::int32_t> predictions;      // N × bits_per_channel
    std::vector<std::uint8_t> adata;           // max_adata_bits, one code bit per byte
    std::uint8_t discarded_bit = 0;

    void create(const dst_geometry& g);
    void release();
};

// Decodes all N × bits_per_channel bits from work.adata[0 .. adata_length). Returns 0 after
// packing them into out, or 1 when the code ended wrongly (out untouched). code_bits_read
// receives the decoder's final read position.
int reconstruct_reference(const dst_frame_header& header, std::int64_t adata_length, dst_reference_work& work,
                          std::uint8_t* out, std::int64_t& code_bits_read);

// Packs ±1 bits into channel-interleaved bytes, the earliest bit most significant, 1 for +1.
void pack_dsd_bits(const dst_matrix<std::int8_t>& dsd_bits, int channel_count, std::int32_t bytes_per_channel,
                   std::uint8_t* out);
