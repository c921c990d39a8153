// Which DSF channel type a set of DSDIFF channel identifiers makes, and where each
// channel goes: DSF names seven layouts, each in a fixed order.
#pragma once

#include "iff/chunk_id.h"

#include <cstdint>
#include <span>
#include <vector>

struct dsf_channel_layout {
    // The "fmt " chunk's channel type: 1 mono, 2 stereo (L R), 3 L R C, 4 quad (L R Ls Rs),
    // 5 L R C LFE, 6 L R C Ls Rs, 7 5.1 (L R C LFE Ls Rs).
    std::uint32_t channel_type = 0;
    // source_channel[k]: the file-order index of the channel that is DSF's channel k.
    std::vector<std::uint32_t> source_channel;
};

// The layout of `ids` ("CHNL" identifiers in file order), reordered into DSF's order where
// the file gives the channels in another; "C   " alone is mono, and the generic "C000"
// (alone) and "C000", "C001" are taken as mono and stereo. Any other set throws
// exception_io saying that the DSF format cannot hold it, naming the identifiers.
dsf_channel_layout dsf_layout_for(std::span<const iff_stream::chunk_id> ids);
