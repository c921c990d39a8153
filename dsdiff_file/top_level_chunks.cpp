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

void append_copy(std::vector<std::uint8_t>& out, const iff_stream::iff_packet_base& node, abort_signal& abort,
                 std::uint64_t limit)
{
    const std::size_t start = out.size();
    out.insert(out.end(), node.id.begin(), node.id.end());
    put_be(out, 0, 8); // the size, set below
    if (node.type == iff_stream::type_data) {
        const auto& data = static_cast<const iff_stream::iff_packet_data&>(node).data;
        out.insert(out.end(), data.begin(), data.end());
    } else if (node.type == iff_stream::type_file) {
        file& reader = *static_cast<const iff_stream::iff_packet_file&>(node).reader;
        const std::uint64_t size = reader.get_size(abort);
        if (size > limit) throw exception_io_data("The \"" + std::string(node.id.begin(), node.id.end()) + "\" chunk is too large");
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(size));
        reader.seek(0, abort);
        reader.read_object(out.data() + at, static_cast<std::size_t>(size), abort);
    } else {
        if (node.id == iff_stream::make_id("PROP")) out.insert(out.end(), {'S', 'N', 'D', ' '});
        for (const auto& child : static_cast<const iff_stream::iff_packet_container&>(node).children)
            append_copy(out, *child, abort, limit);
    }
    const std::uint64_t payload = out.size() - start - header_bytes;
    if (payload > limit) throw exception_io_data("The \"" + std::string(node.id.begin(), node.id.end()) + "\" chunk is too large");
    for (int i = 0; i < 8; ++i) out[start + 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(payload >> (56 - 8 * i));
    if (payload % 2 != 0) out.push_back(0);
}

} // namespace

std::vector<std::uint8_t> copy_of_chunk(const iff_stream::iff_packet_base& node, abort_signal& abort, std::uint64_t limit)
{
    std::vector<std::uint8_t> out;
    append_copy(out, node, abort, limit);
    return out;
}

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
