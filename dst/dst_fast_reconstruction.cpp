#include "dst/dst_fast_reconstruction.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "dst/dst_code_end.h"
#include "dst/dst_history_sums.h"
#include "dst/dst_reconstruction.h"

namespace {

struct channel_state {
    std::uint64_t recent = 0;             // history bits 0..63: bit k is 1 when the bit k + 1 back was +1
    std::uint64_t older = 0;              // history bits 64..127
    const std::int16_t* filter = nullptr; // the current filter's group sums
    int groups = 0;                       // groups of 8 history bits the filter reaches (1..16)
    const std::int32_t* ptable = nullptr;
    std::int32_t ptable_last = 0;         // highest index of the current probability table
    std::int32_t half_prob_end = 0;       // bits before this one are decoded at p = 128
};

// The arithmetic decoder's registers, kept in locals by the caller's loop.
struct arith_registers {
    std::uint32_t code;
    std::uint32_t range;
    std::int64_t pos;
    const std::uint8_t* bits;

    // The next s (0..8) code bits. The padding behind the code makes every byte pair readable.
    std::uint32_t take(int s)
    {
        const auto b = static_cast<std::size_t>(pos >> 3);
        const unsigned pair = static_cast<unsigned>(bits[b]) << 8 | bits[b + 1];
        const unsigned next8 = (pair >> (8 - (pos & 7))) & 0xFFu;
        pos += s;
        return next8 >> (8 - s);
    }

    std::uint32_t decode(std::uint32_t p)
    {
        const std::uint32_t q = p * ((range >> 8) | ((range >> 7) & 1u));
        const std::uint32_t h = range - q;
        const std::uint32_t bit = code >= h ? 1u : 0u;
        code -= bit ? h : 0u;
        range = bit ? q : h;
        // range ≥ 8 after a step (q ≥ 8 × p, h ≥ 128), so at most 8 doublings bring it back to 2048..4095.
        const int s = std::countl_zero(range) - 20;
        range <<= s;
        code = (code << s) | take(s);
        return bit;
    }
};

template <bool check_half_prob>
inline void decode_channel_bit(channel_state& cs, arith_registers& arith, std::int32_t j)
{
    // The filter's dot product over the packed history: one table entry per group of 8 past bits.
    const std::int32_t prediction = sum_history_groups<std::int32_t>(cs.filter, cs.groups, cs.recent, cs.older);

    std::uint32_t p;
    if (check_half_prob && j < cs.half_prob_end)
        p = 128;
    else
        p = static_cast<std::uint32_t>(cs.ptable[std::min(std::abs(prediction) >> 3, cs.ptable_last)]);

    const std::uint32_t residual = arith.decode(p);
    const std::uint64_t value = (prediction >= 0 ? 1u : 0u) ^ residual;
    cs.older = (cs.older << 1) | (cs.recent >> 63);
    cs.recent = (cs.recent << 1) | value;
}

template <bool check_half_prob>
inline void decode_byte(channel_state* channels, int n, arith_registers& arith, std::int32_t k)
{
    for (int b = 0; b < 8; ++b)
        for (int ch = 0; ch < n; ++ch)
            decode_channel_bit<check_half_prob>(channels[ch], arith, 8 * k + b);
}

}  // namespace

int reconstruct_wide(const dst_frame_header& header, const dst_prediction_tables& tables, const dst_packed_code& code,
                     std::uint8_t* staging, std::uint8_t* out, std::int64_t& code_bits_read)
{
    const dst_geometry& g = header.geometry;
    const int n = g.channel_count;
    const auto nn = static_cast<std::size_t>(n);

    arith_registers arith{0, 4095, 1, code.bytes()};
    arith.code = arith.take(8);
    arith.code = (arith.code << 4) | arith.take(4);
    arith.decode(first_bit_probability(header.filter_coef(0, 0)));

    // channel_count ≤ 127: a fixed array keeps the states off the heap.
    channel_state channels[dst_geometry::max_channel_count];
    std::int32_t half_prob_bytes = 0;
    for (std::size_t c = 0; c < nn; ++c) {
        channels[c] = channel_state{};
        // The assumed past: the bit k + 1 back is +1 for odd k.
        channels[c].recent = channels[c].older = 0xAAAAAAAAAAAAAAAAull;
        channels[c].half_prob_end = header.half_prob[c] == 1 ? header.half_prob_bits[c] : 0;
        half_prob_bytes = std::max(half_prob_bytes, (channels[c].half_prob_end + 7) / 8);
    }

    for (std::int32_t k = 0; k < g.bytes_per_channel; ++k) {
        const auto byte = static_cast<std::size_t>(k);
        for (std::size_t c = 0; c < nn; ++c) {
            channel_state& cs = channels[c];
            const std::size_t f = header.filter_of_byte(c, byte);
            cs.filter = tables.filter(f);
            cs.groups = tables.groups(f);
            const std::size_t t = header.ptable_of_byte(c, byte);
            cs.ptable = header.ptables.row(t).data();
            cs.ptable_last = header.ptable_length[t] - 1;
        }
        if (k < half_prob_bytes)
            decode_byte<true>(channels, n, arith, k);
        else
            decode_byte<false>(channels, n, arith, k);
        std::uint8_t* row = staging + byte * nn;
        for (std::size_t c = 0; c < nn; ++c)
            row[c] = static_cast<std::uint8_t>(channels[c].recent);
    }

    code_bits_read = arith.pos;
    return finish_frame(code, code_bits_read, staging, out, static_cast<std::size_t>(g.frame_bytes()));
}
