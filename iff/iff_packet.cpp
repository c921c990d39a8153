#include "iff/iff_packet.h"

#include "iff/reader_limited_v2.h"
#include "host/service_impl.h"
#include "util/exceptions.h"

namespace iff_stream {

namespace {

constexpr chunk_id id_frm8 = make_id("FRM8");
constexpr chunk_id id_prop = make_id("PROP");
constexpr chunk_id id_dst = make_id("DST ");
constexpr chunk_id id_diin = make_id("DIIN");
constexpr chunk_id id_dsd = make_id("DSD ");
constexpr chunk_id id_dstf = make_id("DSTF");

std::uint64_t known_size(file& stream, abort_signal& abort)
{
    const std::uint64_t size = stream.get_size(abort);
    if (size == filesize_invalid) throw exception_io_no_length();
    return size;
}

chunk_id read_id(file& stream, abort_signal& abort)
{
    chunk_id id;
    stream.read_object(id.data(), id.size(), abort);
    return id;
}

service_ptr_t<file> make_range(const service_ptr_t<file>& base, std::uint64_t begin, std::uint64_t end)
{
    return make_service<reader_limited_v2>(base, begin, end);
}

} // namespace

void iff_packet_container::load(const service_ptr_t<file>& source, abort_signal& abort)
{
    id = id_none;
    chunks_read = 0;
    bytes_loaded = 0;
    parse(*this, source, abort);
}

void iff_packet_container::parse(iff_packet_container& target, const service_ptr_t<file>& stream, abort_signal& abort)
{
    parse_level(target, stream, abort, 0);
}

void iff_packet_container::parse_level(iff_packet_container& target, const service_ptr_t<file>& stream, abort_signal& abort, int depth)
{
    if (depth > max_nesting_depth) throw exception_io_data("Chunks nested too deeply");
    const bool at_root = &target == this;
    for (;;) {
        const std::uint64_t stream_size = known_size(*stream, abort);
        if (stream->get_position(abort) >= stream_size) return;

        // One read for the whole header; the identifier is judged before a
        // short header is, as a file of 4 to 11 bytes must be "Not a DSDIFF file".
        std::uint8_t header[12];
        const std::size_t got = stream->read(header, sizeof header, abort);
        if (got < 4) throw exception_io_data_truncation();
        const chunk_id chunk = id_at(header);
        if (at_root && target.id != id_frm8 && chunk != id_frm8) throw exception_io_data("Not a DSDIFF file");
        if (got < sizeof header) throw exception_io_data_truncation();
        std::uint64_t payload_size = 0;
        for (int i = 4; i < 12; ++i) payload_size = (payload_size << 8) | header[i];
        // L + 12 > size, written so that an L near 2^64 cannot wrap.
        const std::uint64_t size_now = known_size(*stream, abort);
        if (size_now < 12 || payload_size > size_now - 12) throw exception_io_data_truncation("Chunk size too large");
        if (++chunks_read > max_chunk_count) throw exception_io_data("Too many chunks");

        const std::uint64_t header_end = stream->get_position(abort);
        const std::uint64_t payload_end = header_end + payload_size;
        const std::uint64_t next_chunk = payload_end + (payload_end & 1);

        if (chunk == id_frm8 || chunk == id_prop) {
            const bool is_form = chunk == id_frm8;
            if (payload_size < 4) throw exception_io_data(is_form ? "FRM8 chunk too small" : "PROP chunk too small");
            const chunk_id form_type = read_id(*stream, abort);
            if (is_form && form_type != make_id("DSD ")) throw exception_io_data("Not a DSDIFF file");
            if (!is_form && form_type != make_id("SND ")) throw exception_io_data("Invalid PROP chunk");
            const service_ptr_t<file> range = make_range(stream, header_end + 4, payload_end);
            if (is_form) {
                target.id = id_frm8;
                parse_level(target, range, abort, depth + 1);
            } else {
                auto node = std::make_unique<iff_packet_container>();
                node->id = chunk;
                parse_level(*node, range, abort, depth + 1);
                target.children.push_back(std::move(node));
            }
        } else if (chunk == id_dst || chunk == id_diin) {
            auto node = std::make_unique<iff_packet_container>();
            node->id = chunk;
            parse_level(*node, make_range(stream, header_end, payload_end), abort, depth + 1);
            target.children.push_back(std::move(node));
        } else if (chunk == id_dsd || chunk == id_dstf || payload_size > inline_limit) {
            auto node = std::make_unique<iff_packet_file>();
            node->id = chunk;
            node->reader = make_range(stream, header_end, payload_end);
            target.children.push_back(std::move(node));
        } else {
            bytes_loaded += payload_size;
            if (bytes_loaded > max_loaded_bytes) throw exception_io_data("Too much chunk data");
            auto node = std::make_unique<iff_packet_data>();
            node->id = chunk;
            node->data.resize(static_cast<std::size_t>(payload_size));
            stream->read_object(node->data.data(), node->data.size(), abort);
            target.children.push_back(std::move(node));
        }
        // A chunk that runs to (or past) the end closes the stream; no seek
        // outside it is needed to find that out.
        if (next_chunk >= size_now) return;
        stream->seek(next_chunk, abort);
    }
}

bool iff_packet_container::find_child(std::size_t start, const chunk_id& wanted, iff_packet_base*& out_node, std::size_t& out_index) const
{
    for (std::size_t index = start; index < children.size(); ++index) {
        if (children[index]->id == wanted) {
            out_node = children[index].get();
            out_index = index;
            return true;
        }
    }
    return false;
}

} // namespace iff_stream
