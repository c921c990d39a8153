// The top-level chunks of a DSDIFF file in file order. The chunk tree merges the
// chunks of "FRM8" with any that follow the "FRM8" chunk at the top level; a copy of
// the file must keep the two apart.
#pragma once

#include "host/file.h"
#include "iff/iff_packet.h"

#include <vector>

struct top_level_chunk {
    const iff_stream::iff_packet_base* node = nullptr; // a child of the root, owned by the tree
    bool after_form = false;                            // lies after the "FRM8" chunk, not inside it
};

// The root's children, each marked by where it lies. Reads the chunk headers of the top
// level once more (a few reads: the tree has checked their sizes already). Where the
// headers do not match the tree's children, all are taken as inside "FRM8".
// A chunk as the file holds it, header and pad byte included, a container with its children
// ("PROP" with its property type): for metadata chunks, which are small. Throws
// exception_io_data for a chunk of more than `limit` bytes.
std::vector<std::uint8_t> copy_of_chunk(const iff_stream::iff_packet_base& node, abort_signal& abort,
                                        std::uint64_t limit = std::uint64_t{64} << 20);

std::vector<top_level_chunk> list_top_level_chunks(const iff_stream::iff_packet_container& root, file& source,
                                                   abort_signal& abort);
