#include "dsdiff/channel_layout.h"

using iff_stream::make_id;

std::optional<unsigned> channel_position(const iff_stream::chunk_id& id)
{
    struct entry {
        iff_stream::chunk_id id;
        unsigned position;
    };
    static constexpr entry known[] = {
        {make_id("SLFT"), 0}, {make_id("SRGT"), 1}, {make_id("C   "), 2}, {make_id("LFE "), 3},
        {make_id("LS  "), 4}, {make_id("RS  "), 5}, {make_id("MLFT"), 9}, {make_id("MRGT"), 10},
    };
    for (const entry& e : known)
        if (e.id == id) return e.position;
    return std::nullopt;
}
