// How every form of reconstruction judges the end of a frame's arithmetic code. Internal
// linkage: the lookahead kernel includes this inside its instruction-set switch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dst/dst_packed_code.h"

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

// The end of a frame decoded from a packed code into staging: 1 when the code ended wrongly
// (out untouched), otherwise 0 with the frame's bytes copied to out.
[[gnu::always_inline]] inline int finish_frame(const dst_packed_code& code, std::int64_t code_bits_read,
                                               const std::uint8_t* staging, std::uint8_t* out, std::size_t frame_bytes)
{
    if (code_ends_wrongly(code_bits_read, code.length(), [&code](std::int64_t pos) { return code.bit(pos); }))
        return 1;
    std::memcpy(out, staging, frame_bytes);
    return 0;
}

}  // namespace
