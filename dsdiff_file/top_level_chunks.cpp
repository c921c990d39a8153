#include "dsdiff_file/top_level_chunks.h"

#include "dsdiff_file/byte_order.h"

namespace {

constexpr std::size_t header_bytes = 12;

// The identifiers of the chunks inside "FRM8", found as the chunk tree finds them.
std::vector<iff_stream::chunk_id> chunks_inside_form(file& source, abort_signal& abort)
{
    std::vector<iff_stream::chunk_id> ids;
    std::uint8_t header[header_bytes];
    source.seek(0, abort);
    source.read_object(header, header_bytes, abort);
    // The tree has checked that the "FRM8" chunk fits in the file.
    const std::uint64_t form_end = header_bytes + read_be64(header + 4);
    std::uint64_t position = header_bytes + 4; // after the form type
    while (position < form_end) {
        source.seek(position, abort);
        if (source.read(header, header_bytes, abort) < header_bytes) break;
        ids.push_back(iff_stream::id_at(header));
        const std::uint64_t payload_end = position + header_bytes + read_be64(header + 4);
        // A size that runs past the form ends it, as it does for the tree.
        if (payload_end < position || payload_end >= form_end) break;
        position = payload_end + (payload_end & 1);
    }
    return ids;
}

} // namespace

std::vector<top_level_chunk> list_top_level_chunks(const iff_stream::iff_packet_container& root, file& source,
                                                   abort_signal& abort)
{
    const std::vector<iff_stream::chunk_id> inside = chunks_inside_form(source, abort);
    bool matches = inside.size() <= root.children.size();
    for (std::size_t i = 0; matches && i < inside.size(); ++i) matches = root.children[i]->id == inside[i];
    // Only a "FRM8" nested in "FRM8" (merged into the root by the tree) breaks the match.
    const std::size_t inside_count = matches ? inside.size() : root.children.size();

    std::vector<top_level_chunk> chunks;
    chunks.reserve(root.children.size());
    for (std::size_t i = 0; i < root.children.size(); ++i) chunks.push_back({root.children[i].get(), i >= inside_count});
    return chunks;
}
