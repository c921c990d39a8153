// Branch-free choices of the lookahead kernel: where the choice follows the code, a branch
// would mispredict half the time.
// Internal linkage, like the kernel that includes it: it is built once per instruction-set
// level, inside the kernel's target switch (dst_lookahead_bmi2.cpp), and never shared.
#pragma once

#include <cstdint>

namespace {

// The data-dependent choice of a decoding step, which follows a coin toss and must not be
// a branch: one = (value >= threshold); when one, value −= threshold and the range, factor
// and shift are the `if_one` ones, otherwise the `if_zero` ones (which receive the result).
// With shift_complement, complements = (complements << 1) | (1 − one), and the return value
// is not computed: on x86-64 that is one addition with the comparison's borrow, where a
// separate bit would take two instructions and a shift and an OR more.
// Compilers may turn the plain form into a branch; on x86-64 conditional moves say it.
template <bool shift_complement = false>
[[gnu::always_inline]] inline std::uint64_t select_on_code(std::uint64_t& value, std::uint64_t threshold,
                                                           std::uint64_t range_if_one, std::uint64_t factor_if_one,
                                                           std::uint64_t shift_if_one, std::uint64_t& range,
                                                           std::uint64_t& factor, std::uint64_t& shift,
                                                           std::uint64_t& complements)
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    // The operands are local copies: a structure member as an asm operand would keep the
    // whole structure in memory. The subtraction's borrow is the comparison.
    std::uint64_t v = value;
    std::uint64_t r = range;
    std::uint64_t f = factor;
    std::uint64_t s = shift;
    std::uint64_t reduced;
// The comparison and the choices; each form appends how it keeps the outcome.
#define QVX_COMPARE_AND_CHOOSE                 \
    "movq %[value], %[reduced]\n\t"            \
    "subq %[threshold], %[reduced]\n\t"        \
    "cmovaeq %[reduced], %[value]\n\t"         \
    "cmovaeq %[range_if_one], %[range]\n\t"    \
    "cmovaeq %[factor_if_one], %[factor]\n\t"  \
    "cmovaeq %[shift_if_one], %[shift]\n\t"
#define QVX_CHOICE_INPUTS                                                                                  \
    [threshold] "r"(threshold), [range_if_one] "r"(range_if_one), [factor_if_one] "r"(factor_if_one), \
        [shift_if_one] "r"(shift_if_one)
    std::uint64_t one = 0;
    if constexpr (shift_complement) {
        std::uint64_t c = complements;
        __asm__(QVX_COMPARE_AND_CHOOSE "adcq %[complements], %[complements]"
                : [value] "+r"(v), [range] "+r"(r), [factor] "+r"(f), [shift] "+r"(s), [complements] "+r"(c),
                  [reduced] "=&r"(reduced)
                : QVX_CHOICE_INPUTS
                : "cc");
        complements = c;
    } else {
        std::uint8_t flag;
        __asm__(QVX_COMPARE_AND_CHOOSE "setae %[flag]"
                : [value] "+r"(v), [range] "+r"(r), [factor] "+r"(f), [shift] "+r"(s), [flag] "=q"(flag),
                  [reduced] "=&r"(reduced)
                : QVX_CHOICE_INPUTS
                : "cc");
        one = flag;
    }
#undef QVX_COMPARE_AND_CHOOSE
#undef QVX_CHOICE_INPUTS
    value = v;
    range = r;
    factor = f;
    shift = s;
    return one;
#else
    const std::uint64_t one = value >= threshold ? 1u : 0u;
    value = one ? value - threshold : value;
    range = one ? range_if_one : range;
    factor = one ? factor_if_one : factor;
    shift = one ? shift_if_one : shift;
    if constexpr (shift_complement)
        complements = (complements << 1) | (one ^ 1u);
    return one;
#endif
}

// x when bit 0 of bits is 0, y when it is 1, without a branch.
[[gnu::always_inline]] inline std::int64_t select_by_low_bit(std::uint64_t bits, std::int64_t x, std::int64_t y)
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __asm__("testb $1, %b[bits]\n\t"
            "cmovnzq %[y], %[x]"
            : [x] "+r"(x)
            : [bits] "q"(bits), [y] "r"(y)
            : "cc");
    return x;
#else
    return (bits & 1u) != 0 ? y : x;
#endif
}

}  // namespace
