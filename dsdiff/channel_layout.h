// Channel identifiers of the "CHNL" chunk and the speaker positions they stand for.
#pragma once

#include "iff/chunk_id.h"

#include <optional>

// Bit number in the host's channel mask (Windows speaker-position order),
// or nothing for an identifier this component does not know.
std::optional<unsigned> channel_position(const iff_stream::chunk_id& id);
