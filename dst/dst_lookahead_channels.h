// A channel's state in the lookahead kernel, and the channel sets its steps walk: any count in
// an array, or a count fixed at compile time.
// Internal linkage, like the kernel that includes it: it is built once per instruction-set
// level, inside the kernel's target switch (dst_lookahead_bmi2.cpp), and never shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "dst/dst_lookahead_tables.h"

namespace {

struct lookahead_channel {
    // Element m: history part of bit m's prediction in this byte. An array, not dst_lanes:
    // each step loads its element, where a vector register would need an extraction.
    std::int16_t history_part[8];
    dst_lanes next_history_part;     // the same for the next byte
    // With one channel: bit k of hist is the bit k + 2 steps back (1 for +1), newest the bit
    // 1 step back (0 or 1). With more, bit k of complements is the bit k + 1 steps back, 1 for
    // −1: their steps shift it in with the comparison's borrow. With two, earlier_complements
    // is complements before the newest bit entered: the window taken from it does not wait
    // for the newest bit.
    std::uint64_t hist;
    std::uint64_t newest;
    std::uint64_t complements;
    std::uint64_t earlier_complements;
    std::uint64_t byte_start;        // at the byte's start: bit k is the bit k + 1 steps back
    std::uint64_t older;             // at the byte's start: the bits 65..128 steps back
    const std::int16_t* windows;     // window tables of the byte's filter
    const std::uint16_t* probability; // the byte's probability table (probability_and_sign)
    std::int32_t newest_weight;
    std::int32_t half_prob_end;      // bits before this one are decoded at p = 128
};

// How early a channel's newest bit is known before the channel's next step needs it, which
// decides how much of the prediction waits for it.
enum class newest_bit_lag {
    // The step just before (one channel): both candidate probabilities are looked up
    // meanwhile and the newest bit picks one.
    one_step,
    // One other channel's step (two channels): the newest bit chooses between the two
    // candidate predictions, then one probability is looked up.
    two_steps,
    // Several steps (three or more channels): the newest bit enters the window lookup.
    several_steps,
};

// Sets of two channels or more keep their history complemented: their steps shift it in with
// the comparison's borrow, and they index window_of_complements. With one channel the newest
// bit is needed at once, and a borrow shifted in would lengthen the way to it.
constexpr bool keeps_complements(newest_bit_lag lag) { return lag != newest_bit_lag::one_step; }

// The channel's bits so far: bit k is the bit k + 1 steps back, 1 for +1.
template <newest_bit_lag lag>
[[gnu::always_inline]] inline std::uint64_t recent_bits(const lookahead_channel& cs)
{
    if constexpr (keeps_complements(lag))
        return ~cs.complements;
    else
        return (cs.hist << 1) | cs.newest;
}

template <newest_bit_lag lag>
[[gnu::always_inline]] inline void set_recent_bits(lookahead_channel& cs, std::uint64_t bits)
{
    if constexpr (keeps_complements(lag)) {
        cs.complements = ~bits;
        cs.earlier_complements = ~bits >> 1;
    } else {
        cs.hist = bits >> 1;
        cs.newest = bits & 1u;
    }
}

// Before bit 7 of a byte: bit k is the bit k + 2 steps back, 1 for +1. Where the channel
// keeps only the 64 newest bits, the oldest of these comes from the byte's start.
template <newest_bit_lag lag>
[[gnu::always_inline]] inline std::uint64_t bits_two_back(const lookahead_channel& cs)
{
    if constexpr (keeps_complements(lag))
        return (cs.byte_start << 6) | ((~cs.complements >> 1) & 0x3Fu);
    else
        return cs.hist;
}

// The window tables the channel's steps index.
template <newest_bit_lag lag>
[[gnu::always_inline]] inline const std::int16_t* windows_for(const dst_lookahead_tables& tables, std::size_t f)
{
    return keeps_complements(lag) ? tables.window_of_complements(f, 0) : tables.window(f, 0);
}

// The channels of a frame, stepped through in channel order: any number in an array, or a
// count fixed at compile time, whose steps are unrolled and whose state the compiler can keep
// in registers or at fixed places.
struct channel_array {
    lookahead_channel* channels;
    int n;
    static constexpr newest_bit_lag lag = newest_bit_lag::several_steps;
    static constexpr bool fixed = false;
    int count() const { return n; }
    template <class F>
    [[gnu::always_inline]] void for_each(F&& f)
    {
        for (int c = 0; c < n; ++c)
            f(channels[c], c);
    }
};

// Fixed sets serve the common counts: mono, stereo and 5.1.
template <int channel_count>
struct channel_fixed {
    static_assert(channel_count >= 1 && channel_count <= 8);
    lookahead_channel channels[channel_count];
    static constexpr newest_bit_lag lag = channel_count == 1   ? newest_bit_lag::one_step
                                          : channel_count == 2 ? newest_bit_lag::two_steps
                                                               : newest_bit_lag::several_steps;
    static constexpr bool fixed = true;
    static constexpr int count() { return channel_count; }
    template <std::size_t c>
    lookahead_channel& get()
    {
        return channels[c];
    }
    template <class F>
    [[gnu::always_inline]] void for_each(F&& f)
    {
        for_each_in(f, std::make_index_sequence<channel_count>());
    }

private:
    template <class F, std::size_t... c>
    [[gnu::always_inline]] void for_each_in(F& f, std::index_sequence<c...>)
    {
        (f(channels[c], std::integral_constant<std::size_t, c>{}), ...);
    }
};

}  // namespace
