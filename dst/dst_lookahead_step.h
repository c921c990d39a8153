// One bit of one channel in the lookahead kernel: its probability from the prepared
// prediction, one arithmetic-decoder step, and the channel's history moved on.
// Internal linkage, like the kernel that includes it: it is built once per instruction-set
// level, inside the kernel's target switch (dst_lookahead_bmi2.cpp), and never shared.
#pragma once

#include <cstdint>

#include "dst/dst_lookahead_arith.h"
#include "dst/dst_lookahead_channels.h"
#include "dst/dst_lookahead_select.h"
#include "dst/dst_lookahead_tables.h"

namespace {

// A probability_and_sign entry for a bit of a channel's half-probability stretch: its
// probability is 128 whatever the prediction, its sign stays.
[[gnu::always_inline]] inline std::uint64_t at_half_probability(std::uint64_t e)
{
    return (e & dst_lookahead_tables::not_negative) | 128u;
}

// Decodes bit m of the current byte of one channel; j is the bit's index in the channel.
template <int m, bool check_half_prob, newest_bit_lag lag, bool room_made = false>
[[gnu::always_inline]] inline void lookahead_step(lookahead_channel& cs, lookahead_arith& arith, std::int32_t j)
{
    constexpr std::uint64_t window_mask = (std::uint64_t{4} << m) - 1;
    constexpr int window_offset = (4 << m) - 4;
    // Entry index of a prediction: prediction >> 3, or (prediction − 1) >> 3 when negative.
    auto entry_index = [](std::int64_t prediction) -> std::int64_t { return (prediction + (prediction >> 63)) >> 3; };
    std::uint64_t e;
    if constexpr (lag == newest_bit_lag::several_steps) {
        const std::uint64_t window = cs.complements & window_mask;  // into window_of_complements
        e = cs.probability[entry_index(std::int64_t{cs.history_part[m]} + cs.windows[window_offset + window])];
        if (check_half_prob && j < cs.half_prob_end)
            e = at_half_probability(e);
    } else if constexpr (lag == newest_bit_lag::two_steps) {
        // Both candidate predictions come from bits at least 2 steps back, and the newest bit
        // (bit 0 of the complements, 1 for −1) selects one. The window, with its newest bit
        // set to −1, comes from the complements before that bit, so its lookup need not wait.
        const std::uint64_t window = ((cs.earlier_complements << 1) & (window_mask - 1)) + 1;
        const std::int64_t if_minus = std::int64_t{cs.history_part[m]} + cs.windows[window_offset + window];
        e = cs.probability[entry_index(select_by_low_bit(cs.complements, if_minus + cs.newest_weight, if_minus))];
        if (check_half_prob && j < cs.half_prob_end)
            e = at_half_probability(e);
    } else {
        // The candidates as with two channels; right after its own step, the newest bit
        // selects only between their table entries.
        const std::uint64_t window = (cs.hist << 1) & window_mask;
        const std::int64_t if_minus = std::int64_t{cs.history_part[m]} + cs.windows[window_offset + window];
        std::uint64_t e_minus = cs.probability[entry_index(if_minus)];
        std::uint64_t e_plus = cs.probability[entry_index(if_minus + cs.newest_weight)];
        if (check_half_prob && j < cs.half_prob_end) {
            e_minus = at_half_probability(e_minus);
            e_plus = at_half_probability(e_plus);
        }
        e = static_cast<std::uint64_t>(
            select_by_low_bit(cs.newest, static_cast<std::int64_t>(e_minus), static_cast<std::int64_t>(e_plus)));
    }
    const std::uint64_t p = e & 0xFFu;
    const std::uint64_t up = e >> 8;
    if constexpr (keeps_complements(lag)) {
        // The bit is up ^ residual, its complement up ^ (1 − residual).
        if constexpr (lag == newest_bit_lag::two_steps)
            cs.earlier_complements = cs.complements;
        if constexpr (room_made)
            arith.decode_unchecked_into(p, cs.complements);
        else
            arith.decode_into(p, cs.complements);
        cs.complements ^= up;
    } else {
        const std::uint64_t residual = room_made ? arith.decode_unchecked(p) : arith.decode(p);
        cs.hist = (cs.hist << 1) | cs.newest;
        cs.newest = up ^ residual;
    }
}

}  // namespace
