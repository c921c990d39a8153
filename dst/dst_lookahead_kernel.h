// The lookahead form of DST reconstruction, as a kernel that is compiled once per
// instruction-set level (dst_lookahead_portable.cpp, dst_lookahead_bmi2.cpp). Everything
// here has internal linkage, so that code built for one level never serves another.
//
// Per bit the serial work is the arithmetic decoder's step and as little else as the
// channel count allows: a bit's prediction is prepared from older bits, and its newest
// predecessor in the channel (−1 or +1) only completes it (newest_bit_lag). Per byte and
// channel, the part of the coming byte's 8 predictions that depends on bits before the
// byte is summed in eight 16-bit lanes from the history's 8-bit groups
// (dst_lookahead_tables.h), two bits ahead of the byte so that it is ready in time. The
// arithmetic decoder takes its code bits from a register that is refilled mostly at fixed
// places, where no branch can mispredict, and needs no bounds checks: the code is
// zero-padded beyond the longest read (dst_packed_code.h).
//
// Its parts: the arithmetic decoder (dst_lookahead_arith.h), its branch-free choices
// (dst_lookahead_select.h), the channel sets (dst_lookahead_channels.h), the step of one bit
// (dst_lookahead_step.h) and the order of the history sums (dst_history_sums.h); here, the
// history sums' lanes and the rows, bytes and frames that the steps make up.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "dst/dst_code_end.h"
#include "dst/dst_frame_header.h"
#include "dst/dst_history_sums.h"
#include "dst/dst_lookahead_arith.h"
#include "dst/dst_lookahead_channels.h"
#include "dst/dst_lookahead_step.h"
#include "dst/dst_lookahead_tables.h"
#include "dst/dst_packed_code.h"

namespace {

// The history part of a byte's 8 predictions; lo and hi are the history's bits 0..63 and
// 64..127. A group's byte offset in its table is one rotation and one mask, which a processor
// with BMI2 does without a copy.
[[gnu::always_inline]] inline dst_lanes sum_history_lanes(const dst_lanes* lanes, int groups, std::uint64_t lo,
                                                          std::uint64_t hi)
{
    const auto* base = reinterpret_cast<const unsigned char*>(lanes);
    constexpr std::size_t table_bytes = dst_lookahead_tables::entries_per_group * sizeof(dst_lanes);
    static_assert(sizeof(dst_lanes) == 16);
    // Group g's bits are bits 8g..8g + 7 of the 128; rotated to bits 4..11, they are 16 × the group.
    auto entry = [&](int g) __attribute__((always_inline)) {
        const std::uint64_t half = g < 8 ? lo : hi;
        const std::size_t offset = std::rotr(half, (8 * g - 4) & 63) & 0xFF0u;
        return *reinterpret_cast<const dst_lanes*>(base + static_cast<std::size_t>(g) * table_bytes + offset);
    };
    // Full-length filters, the common kind, take a path of their own without the dispatch.
    if (groups == dst_lookahead_tables::groups_per_filter)
        return sum_over_groups<dst_lanes>(dst_lookahead_tables::groups_per_filter, entry);
    return sum_over_groups<dst_lanes>(groups, entry);
}

// A fixed set makes room in the code register for up to three steps at once (24 bits), before
// channel c of each group of three, in row m of a byte. A checked refill, needed every few
// rows at random, would often mispredict, which costs more than the refill itself: so rows
// of three channels or more start with an unconditional refill, and smaller sets refill
// unconditionally at the byte's first row, which leaves their checks rarely firing.
template <int m, std::size_t c, int count>
[[gnu::always_inline]] inline void make_room_before(lookahead_arith& arith)
{
    constexpr int group = lookahead_arith::capacity / 8;
    if constexpr (c == 0 && (count >= 3 || m == 0))
        arith.refill();
    else if constexpr (c % group == 0)
        arith.template make_room<(count - static_cast<int>(c) < group ? count - static_cast<int>(c) : group)>();
}

// One step per channel in channel order. A fixed set is unrolled without any callable in
// between, so that nothing takes the address of its channels or the decoder.
template <int m, bool check_half_prob, class channel_set, std::size_t... c>
[[gnu::always_inline]] inline void lookahead_fixed_row(channel_set& set, lookahead_arith& arith, std::int32_t k,
                                                       std::index_sequence<c...>)
{
    ((make_room_before<m, c, channel_set::count()>(arith),
      lookahead_step<m, check_half_prob, channel_set::lag, true>(set.template get<c>(), arith, 8 * k + m)),
     ...);
}

template <int m, bool check_half_prob, class channel_set>
[[gnu::always_inline]] inline void lookahead_bit_row(channel_set& set, lookahead_arith& arith, std::int32_t k)
{
    if constexpr (!channel_set::fixed) {
        // As in fixed sets of three or more: the steps' own checks then rarely refill.
        arith.refill();
        for (int c = 0; c < set.n; ++c)
            lookahead_step<m, check_half_prob, channel_set::lag>(set.channels[c], arith, 8 * k + m);
    } else {
        lookahead_fixed_row<m, check_half_prob>(set, arith, k,
                                                std::make_index_sequence<static_cast<std::size_t>(channel_set::count())>());
    }
}

template <bool check_half_prob, class channel_set>
[[gnu::always_inline]] inline void lookahead_byte(const dst_frame_header& header, const dst_lookahead_tables& tables,
                                                  channel_set& set, lookahead_arith& arith, std::int32_t k)
{
    lookahead_bit_row<0, check_half_prob>(set, arith, k);
    lookahead_bit_row<1, check_half_prob>(set, arith, k);
    lookahead_bit_row<2, check_half_prob>(set, arith, k);
    lookahead_bit_row<3, check_half_prob>(set, arith, k);
    lookahead_bit_row<4, check_half_prob>(set, arith, k);
    lookahead_bit_row<5, check_half_prob>(set, arith, k);
    lookahead_bit_row<6, check_half_prob>(set, arith, k);
    // Before bit 7 the history up to bit 5 is known: the next byte's history part can start.
    const std::int32_t last = header.geometry.bytes_per_channel - 1;
    const auto next = static_cast<std::size_t>(k < last ? k + 1 : last);
    if constexpr (!channel_set::fixed)
        arith.refill();
    set.for_each([&](lookahead_channel& cs, auto c) __attribute__((always_inline)) {
        if constexpr (channel_set::fixed)
            make_room_before<7, decltype(c)::value, channel_set::count()>(arith);
        const std::size_t f = header.filter_of_byte(static_cast<std::size_t>(c), next);
        const std::uint64_t hi = (cs.older << 6) | (cs.byte_start >> 58);
        cs.next_history_part =
            sum_history_lanes(tables.history_lanes(f), tables.history_groups(f), bits_two_back<channel_set::lag>(cs), hi);
        lookahead_step<7, check_half_prob, channel_set::lag, channel_set::fixed>(cs, arith, 8 * k + 7);
    });
}

// The kernel over one kind of channel set, inlined into the caller that owns the set: a set
// reached through a reference would stay in memory, and every step would store to it.
template <class channel_set>
[[gnu::always_inline]] inline int reconstruct_lookahead_channels(const dst_frame_header& header,
                                                                 const dst_lookahead_tables& tables,
                                                                 const dst_packed_code& code,
                                                                 std::uint32_t first_probability, channel_set& set,
                                                                 std::uint8_t* staging, std::uint8_t* out,
                                                                 std::int64_t& code_bits_read)
{
    const dst_geometry& g = header.geometry;
    const auto nn = static_cast<std::size_t>(set.count());

    lookahead_arith arith;
    arith.start(code.bytes());
    arith.decode(first_probability);

    // The assumed past: the bit k + 1 steps back is +1 for odd k.
    constexpr std::uint64_t alternating = 0xAAAAAAAAAAAAAAAAull;
    std::int32_t half_prob_bytes = 0;
    set.for_each([&](lookahead_channel& cs, auto channel) {
        const auto c = static_cast<std::size_t>(channel);
        cs.byte_start = alternating;
        cs.older = alternating;
        set_recent_bits<channel_set::lag>(cs, alternating);
        const std::size_t f = header.filter_of_byte(c, 0);
        // Two bits before byte 0 the history is the same pattern.
        const dst_lanes first = sum_history_lanes(tables.history_lanes(f), tables.history_groups(f), alternating,
                                                  alternating);
        std::memcpy(cs.history_part, &first, sizeof cs.history_part);
        cs.half_prob_end = header.half_prob[c] == 1 ? header.half_prob_bits[c] : 0;
        half_prob_bytes = half_prob_bytes > (cs.half_prob_end + 7) / 8 ? half_prob_bytes : (cs.half_prob_end + 7) / 8;
    });

    for (std::int32_t k = 0; k < g.bytes_per_channel; ++k) {
        const auto byte = static_cast<std::size_t>(k);
        set.for_each([&](lookahead_channel& cs, auto channel) __attribute__((always_inline)) {
            const auto c = static_cast<std::size_t>(channel);
            const std::size_t f = header.filter_of_byte(c, byte);
            cs.windows = windows_for<channel_set::lag>(tables, f);
            cs.newest_weight = tables.newest_bit_weight(f);
            cs.probability = tables.probability_and_sign(header.ptable_of_byte(c, byte));
        });
        if (k < half_prob_bytes)
            lookahead_byte<true>(header, tables, set, arith, k);
        else
            lookahead_byte<false>(header, tables, set, arith, k);
        std::uint8_t* row = staging + byte * nn;
        set.for_each([&](lookahead_channel& cs, auto c) __attribute__((always_inline)) {
            const std::uint64_t recent = recent_bits<channel_set::lag>(cs);
            row[c] = static_cast<std::uint8_t>(recent);
            cs.older = (cs.older << 8) | (cs.byte_start >> 56);
            cs.byte_start = recent;
            std::memcpy(cs.history_part, &cs.next_history_part, sizeof cs.history_part);
        });
    }

    code_bits_read = arith.consumed();
    return finish_frame(code, code_bits_read, staging, out, static_cast<std::size_t>(g.frame_bytes()));
}

// Each kind of channel set in a function of its own, which owns the set: one function for all
// would share one register allocation and slow the smaller sets down.
template <int channel_count>
[[gnu::noinline]] int reconstruct_lookahead_fixed(const dst_frame_header& header, const dst_lookahead_tables& tables,
                                                  const dst_packed_code& code, std::uint32_t first_probability,
                                                  std::uint8_t* staging, std::uint8_t* out,
                                                  std::int64_t& code_bits_read)
{
    channel_fixed<channel_count> set;
    return reconstruct_lookahead_channels(header, tables, code, first_probability, set, staging, out,
                                          code_bits_read);
}

[[gnu::noinline]] inline int reconstruct_lookahead_array(const dst_frame_header& header,
                                                         const dst_lookahead_tables& tables,
                                                         const dst_packed_code& code, std::uint32_t first_probability,
                                                         std::uint8_t* staging, std::uint8_t* out,
                                                         std::int64_t& code_bits_read)
{
    lookahead_channel channels[dst_geometry::max_channel_count];
    channel_array all{channels, header.geometry.channel_count};
    return reconstruct_lookahead_channels(header, tables, code, first_probability, all, staging, out,
                                          code_bits_read);
}

// Same results as reconstruct_reference; staging receives the bytes until the code's end
// has been checked. Requires tables built for this frame (their build returned true).
inline int reconstruct_lookahead_kernel(const dst_frame_header& header, const dst_lookahead_tables& tables,
                                        const dst_packed_code& code, std::uint32_t first_probability,
                                        std::uint8_t* staging, std::uint8_t* out, std::int64_t& code_bits_read)
{
    switch (header.geometry.channel_count) {
    case 1:
        return reconstruct_lookahead_fixed<1>(header, tables, code, first_probability, staging, out, code_bits_read);
    case 2:
        return reconstruct_lookahead_fixed<2>(header, tables, code, first_probability, staging, out, code_bits_read);
    case 6:
        return reconstruct_lookahead_fixed<6>(header, tables, code, first_probability, staging, out, code_bits_read);
    default:
        return reconstruct_lookahead_array(header, tables, code, first_probability, staging, out, code_bits_read);
    }
}

}  // namespace
