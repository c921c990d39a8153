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
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "dst/dst_code_end.h"
#include "dst/dst_frame_header.h"
#include "dst/dst_history_sums.h"
#include "dst/dst_lookahead_tables.h"
#include "dst/dst_packed_code.h"

namespace {

[[gnu::always_inline]] inline std::uint64_t load_big_endian64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap64(v);
    return v;
}

// Normalising a range x (8..4095 after any step) is a function of x alone: the shift that
// brings it to 2048..4095 and the factor the next step multiplies the probability by (the
// normalised range's top four bits, the lowest also set when bit 7 is set). Looking both up
// for the two candidate ranges while the step compares takes the leading-zero count and the
// factor's bit fiddling off the chain that joins one step to the next.
struct range_normalisations {
    std::array<std::uint8_t, 4096> factor;
    std::array<std::uint8_t, 4096> shift;
};

constexpr range_normalisations make_range_normalisations()
{
    range_normalisations table{};
    for (std::uint32_t x = 1; x < 4096; ++x) {
        std::uint32_t a = x;
        std::uint8_t shift = 0;
        while (a < 2048) {
            a <<= 1;
            ++shift;
        }
        table.factor[x] = static_cast<std::uint8_t>((a >> 8) | ((a >> 7) & 1u));
        table.shift[x] = shift;
    }
    return table;
}

inline constexpr range_normalisations normalisation = make_range_normalisations();

// The data-dependent choice of a decoding step, which follows a coin toss and must not be
// a branch: one = (value >= threshold); when one, value −= threshold and the range, factor
// and shift are the `if_one` ones, otherwise the `if_zero` ones (which receive the result).
// Compilers may turn the plain form into a branch; on x86-64 conditional moves say it.
[[gnu::always_inline]] inline std::uint64_t select_on_code(std::uint64_t& value, std::uint64_t threshold,
                                                           std::uint64_t range_if_one, std::uint64_t factor_if_one,
                                                           std::uint64_t shift_if_one, std::uint64_t& range,
                                                           std::uint64_t& factor, std::uint64_t& shift)
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    // The operands are local copies: a structure member as an asm operand would keep the
    // whole structure in memory. The subtraction's borrow is the comparison.
    std::uint64_t v = value;
    std::uint64_t r = range;
    std::uint64_t f = factor;
    std::uint64_t s = shift;
    std::uint64_t reduced;
    std::uint8_t flag;
    __asm__("movq %[value], %[reduced]\n\t"
            "subq %[threshold], %[reduced]\n\t"
            "cmovaeq %[reduced], %[value]\n\t"
            "cmovaeq %[range_if_one], %[range]\n\t"
            "cmovaeq %[factor_if_one], %[factor]\n\t"
            "cmovaeq %[shift_if_one], %[shift]\n\t"
            "setae %[flag]"
            : [value] "+r"(v), [range] "+r"(r), [factor] "+r"(f), [shift] "+r"(s), [flag] "=q"(flag),
              [reduced] "=&r"(reduced)
            : [threshold] "r"(threshold), [range_if_one] "r"(range_if_one), [factor_if_one] "r"(factor_if_one),
              [shift_if_one] "r"(shift_if_one)
            : "cc");
    value = v;
    range = r;
    factor = f;
    shift = s;
    return flag;
#else
    const std::uint64_t one = value >= threshold ? 1u : 0u;
    value = one ? value - threshold : value;
    range = one ? range_if_one : range;
    factor = one ? factor_if_one : factor;
    shift = one ? shift_if_one : shift;
    return one;
#endif
}

// x when bit is 0, y when it is 1, without a branch.
[[gnu::always_inline]] inline std::int64_t select_by_bit(std::uint64_t bit, std::int64_t x, std::int64_t y)
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __asm__("testq %[bit], %[bit]\n\t"
            "cmovnzq %[y], %[x]"
            : [x] "+r"(x)
            : [bit] "r"(bit), [y] "r"(y)
            : "cc");
    return x;
#else
    return bit != 0 ? y : x;
#endif
}

// The arithmetic decoder of dst_arith_decoder.h with the range's multiplication factor kept
// beside it. The code value C sits in the upper half of a 64-bit register and the next code
// bits below it, so normalising shifts them in with the same shift. Below the waiting bits
// is a single 1, the marker: its position tells how many bits wait, so no count has to be
// kept step by step, and the lower half is refilled when fewer bits wait than the coming
// steps can take. Reads need no bounds checks: the code is zero-padded beyond the longest
// read. C keeps the plain decoder's unsigned 32-bit arithmetic, which matters for codes that
// are not valid (value not below the range).
struct lookahead_arith {
    static constexpr int capacity = 31;  // waiting bits after a refill; the marker takes bit 0

    std::uint64_t value;   // C << 32, the waiting code bits (first one most significant), the marker
    std::uint64_t range;   // A, 2048..4095
    std::uint64_t factor;  // A's top four bits, the lowest also set when bit 7 is set
    std::int64_t pos;      // next code bit not yet in value
    const std::uint8_t* bytes;

    void start(const std::uint8_t* code_bytes)
    {
        bytes = code_bytes;
        // The code's first bit never enters the decoder: C starts as bits 1..12, and bits
        // 13..43 wait below it.
        value = (((load_big_endian64(bytes) << 1) >> 20) & ~std::uint64_t{1}) | 1u;
        pos = 44;
        range = 4095;
        factor = normalisation.factor[4095];
    }

    std::uint32_t code() const { return static_cast<std::uint32_t>(value >> 32); }
    int waiting() const { return capacity - std::countr_zero(value); }
    // Bits of the code taken into C so far.
    std::int64_t consumed() const { return pos - waiting(); }

    [[gnu::always_inline]] void refill()
    {
        // The marker at bit t makes room for t new bits at bits t..1 and a new marker at 0;
        // at least 57 valid bits are loaded.
        const int t = std::countr_zero(value);
        const std::uint64_t next = load_big_endian64(bytes + (pos >> 3)) << (pos & 7);
        value = (value & (value - 1)) | (next >> (63 - t)) | 1u;
        pos += t;
    }

    // Before `steps` decodes that do not check: each takes at most 8 bits. Fewer than 8 ×
    // steps bits wait exactly when the marker lies at bit 32 − 8 × steps or above.
    template <int steps>
    [[gnu::always_inline]] void make_room()
    {
        static_assert(steps >= 1 && 8 * steps <= capacity);
        constexpr std::uint64_t below_enough = (std::uint64_t{1} << (32 - 8 * steps)) - 1;
        if ((value & below_enough) == 0) [[unlikely]]
            refill();
    }

    [[gnu::always_inline]] std::uint64_t decode(std::uint64_t p)
    {
        const std::uint64_t one = decode_unchecked(p);
        make_room<1>();
        return one;
    }

    // A step for which make_room made room.
    [[gnu::always_inline]] std::uint64_t decode_unchecked(std::uint64_t p)
    {
        // 64-bit throughout: no zero extension stands between a result and its use as an index.
        const std::uint64_t q = p * factor;
        const std::uint64_t h = range - q;
        // q is 8..1920 and h 128..4087 whatever the code, so both index the table.
        std::uint64_t new_range = h;
        std::uint64_t new_factor = normalisation.factor[h];
        std::uint64_t shift = normalisation.shift[h];
        const std::uint64_t one = select_on_code(value, h << 32, q, normalisation.factor[q], normalisation.shift[q],
                                                 new_range, new_factor, shift);
        // The range is at least 8 after a step, so at most 8 bits come in.
        range = new_range << shift;
        factor = new_factor;
        value <<= shift;
        return one;
    }
};

struct lookahead_channel {
    // Element m: history part of bit m's prediction in this byte. An array, not dst_lanes:
    // each step loads its element, where a vector register would need an extraction.
    std::int16_t history_part[8];
    dst_lanes next_history_part;     // the same for the next byte
    std::uint64_t hist;              // bit k: the bit k + 2 steps back (1 for +1)
    std::uint64_t newest;            // the bit 1 step back, 0 or 1
    std::uint64_t byte_start;        // at the byte's start: bit k is the bit k + 1 steps back
    std::uint64_t older;             // at the byte's start: the bits 65..128 steps back
    const std::int16_t* windows;     // window tables of the byte's filter
    const std::uint16_t* probability; // the byte's probability table (probability_and_sign)
    std::int32_t newest_weight;
    std::int32_t half_prob_end;      // bits before this one are decoded at p = 128
};

// The history part of a byte's 8 predictions; lo and hi are the history's bits 0..63 and 64..127.
[[gnu::always_inline]] inline dst_lanes sum_history_lanes(const dst_lanes* lanes, int groups, std::uint64_t lo, std::uint64_t hi)
{
    return sum_history_groups<dst_lanes>(lanes, groups, lo, hi);
}

// How early a channel's newest bit is known before the channel's next step needs it, which
// decides how much of the prediction waits for it.
enum class newest_bit_lag {
    // The step just before (one channel): both candidate probabilities are looked up
    // meanwhile and the newest bit picks one.
    one_step,
    // One other channel's step (two channels): the newest bit completes the prediction by
    // one addition, then one probability is looked up.
    two_steps,
    // Several steps (three or more channels): the newest bit enters the window lookup.
    several_steps,
};

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
    // x when the newest bit is 0, y when it is 1, without a branch.
    auto by_newest = [&cs](std::int64_t x, std::int64_t y) { return select_by_bit(cs.newest, x, y); };
    std::uint64_t e;
    if constexpr (lag == newest_bit_lag::several_steps) {
        const std::uint64_t window = ((cs.hist << 1) | cs.newest) & window_mask;
        e = cs.probability[entry_index(std::int64_t{cs.history_part[m]} + cs.windows[window_offset + window])];
        if (check_half_prob && j < cs.half_prob_end)
            e = at_half_probability(e);
    } else {
        // Both candidate predictions come from bits at least 2 steps back; the newest bit only
        // selects: with one other step in between it selects the table entry's index, right
        // after its own step (one channel) only the entry itself.
        const std::uint64_t window = (cs.hist << 1) & window_mask;
        const std::int64_t if_minus = std::int64_t{cs.history_part[m]} + cs.windows[window_offset + window];
        const std::int64_t index_minus = entry_index(if_minus);
        const std::int64_t index_plus = entry_index(if_minus + cs.newest_weight);
        if constexpr (lag == newest_bit_lag::two_steps) {
            e = cs.probability[by_newest(index_minus, index_plus)];
            if (check_half_prob && j < cs.half_prob_end)
                e = at_half_probability(e);
        } else {
            std::uint64_t e_minus = cs.probability[index_minus];
            std::uint64_t e_plus = cs.probability[index_plus];
            if (check_half_prob && j < cs.half_prob_end) {
                e_minus = at_half_probability(e_minus);
                e_plus = at_half_probability(e_plus);
            }
            e = static_cast<std::uint64_t>(
                by_newest(static_cast<std::int64_t>(e_minus), static_cast<std::int64_t>(e_plus)));
        }
    }
    const std::uint64_t p = e & 0xFFu;
    const std::uint64_t up = e >> 8;
    const std::uint64_t residual = room_made ? arith.decode_unchecked(p) : arith.decode(p);
    cs.hist = (cs.hist << 1) | cs.newest;
    cs.newest = up ^ residual;
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
        cs.next_history_part = sum_history_lanes(tables.history_lanes(f), tables.history_groups(f), cs.hist, hi);
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
        cs.newest = alternating & 1u;
        cs.hist = alternating >> 1;
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
            cs.windows = tables.window(f, 0);
            cs.newest_weight = tables.newest_bit_weight(f);
            cs.probability = tables.probability_and_sign(header.ptable_of_byte(c, byte));
        });
        if (k < half_prob_bytes)
            lookahead_byte<true>(header, tables, set, arith, k);
        else
            lookahead_byte<false>(header, tables, set, arith, k);
        std::uint8_t* row = staging + byte * nn;
        set.for_each([&](lookahead_channel& cs, auto c) __attribute__((always_inline)) {
            const std::uint64_t recent = (cs.hist << 1) | cs.newest;
            row[c] = static_cast<std::uint8_t>(recent);
            cs.older = (cs.older << 8) | (cs.byte_start >> 56);
            cs.byte_start = recent;
            std::memcpy(cs.history_part, &cs.next_history_part, sizeof cs.history_part);
        });
    }

    code_bits_read = arith.consumed();
    if (code_ends_wrongly(code_bits_read, code.length(), [&code](std::int64_t pos) { return code.bit(pos); }))
        return 1;
    std::memcpy(out, staging, static_cast<std::size_t>(g.frame_bytes()));
    return 0;
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
