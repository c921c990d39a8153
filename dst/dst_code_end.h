// How every form of reconstruction judges the end of a frame's arithmetic code. Internal
// linkage: the lookahead kernel includes this inside its instruction-set switch.
#pragma once

#include <cstdint>

namespace {

// True when the code ended wrongly: more than 7 of its `length` bits were never read, or a
// 1 is among the unread ones. `bit(pos)` gives the code bit at pos.
template <class bit_at>
[[gnu::always_inline]] inline bool code_ends_wrongly(std::int64_t read, std::int64_t length, const bit_at& bit)
{
    if (read < length - 7)
        return true;
    for (std::int64_t pos = read; pos < length; ++pos)
        if (bit(pos) != 0)
            return true;
    return false;
}

}  // namespace
