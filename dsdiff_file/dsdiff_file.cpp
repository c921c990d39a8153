#include "dsdiff_file/dsdiff_file.h"

#include "dsdiff_file/byte_order.h"
#include "dsdiff_file/chunk_text.h"
#include "util/exceptions.h"

#include <algorithm>
#include <limits>

using namespace iff_stream;

namespace {

constexpr chunk_id id_prop = make_id("PROP");
constexpr chunk_id id_chnl = make_id("CHNL");
constexpr chunk_id id_dst = make_id("DST ");
constexpr chunk_id id_dstf = make_id("DSTF");
constexpr chunk_id id_diin = make_id("DIIN");
constexpr chunk_id id_id3 = make_id("ID3 ");

// Large enough for a tag with several high-resolution pictures.
constexpr std::uint64_t largest_id3_tag_bytes = 64u << 20;

const iff_packet_container* find_container(const iff_packet_container& parent, const chunk_id& id)
{
    iff_packet_base* node = nullptr;
    std::size_t index = 0;
    if (!parent.find_child(0, id, node, index) || node->type != type_container) return nullptr;
    return static_cast<const iff_packet_container*>(node);
}

const std::vector<std::uint8_t>* data_of(const iff_packet_base& node)
{
    return node.type == type_data ? &static_cast<const iff_packet_data&>(node).data : nullptr;
}

// "DIAR" and "DITI": uint32 count, then that many characters; a count beyond the
// chunk takes what the chunk holds.
std::optional<std::string> counted_text(const std::vector<std::uint8_t>& payload)
{
    if (payload.size() < 4) return std::nullopt;
    const std::size_t count = std::min<std::uint64_t>(read_be32(payload.data()), payload.size() - 4);
    return chunk_text(std::span(payload).subspan(4, count));
}

std::vector<std::uint8_t> read_whole(file& reader, abort_signal& abort)
{
    const std::uint64_t size = reader.get_size(abort);
    if (size > largest_id3_tag_bytes) throw exception_io_data("ID3 chunk too large");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    reader.seek(0, abort);
    reader.read_object(bytes.data(), bytes.size(), abort);
    return bytes;
}

} // namespace

dsdiff_file::dsdiff_file(service_ptr_t<file> source, abort_signal& abort, const console_line_sink& console)
{
    source->seek(0, abort);
    root_.load(source, abort);
    validate_dsdiff(root_, props_, console);
    read_channel_ids();
    chunks_ = list_top_level_chunks(root_, *source, abort);

    if (props_.is_dst) {
        find_dst_frames();
        // A frame lasts 1/75 s: 588 samples at 44100 Hz, times the rate factor.
        dst_frame_bytes_per_channel_ = 588 * (props_.sample_rate / 44100) / 8;
        bytes_per_channel_ = std::uint64_t{dst_frame_bytes_per_channel_} * dst_frames_.size();
    } else {
        // Whole channel groups only. The sample count must fit 64 bits, which any
        // real file does; only a file object reporting an absurd size fails here.
        bytes_per_channel_ = props_.sound_reader->get_size(abort) / props_.channel_count;
        if (bytes_per_channel_ > std::numeric_limits<std::uint64_t>::max() / 8) throw exception_io_data("DSD chunk too large");
    }

    for (const top_level_chunk& chunk : chunks_)
        if (chunk.node->id == id_diin && chunk.node->type == type_container)
            read_diin(static_cast<const iff_packet_container&>(*chunk.node));
}

void dsdiff_file::read_channel_ids()
{
    // Validation has checked "PROP", its "CHNL" and the count.
    const iff_packet_container& prop = *find_container(root_, id_prop);
    iff_packet_base* chnl = nullptr;
    std::size_t index = 0;
    prop.find_child(0, id_chnl, chnl, index);
    const std::vector<std::uint8_t>& data = *data_of(*chnl);
    for (std::uint32_t c = 0; c < props_.channel_count; ++c) channel_ids_.push_back(id_at(data.data() + 2 + 4 * c));
}

void dsdiff_file::find_dst_frames()
{
    // Validation has checked that "DST " is a container that begins with "FRTE".
    const iff_packet_container& dst = *find_container(root_, id_dst);
    iff_packet_base* node = nullptr;
    std::size_t index = 0;
    for (std::size_t next = 1; dst.find_child(next, id_dstf, node, index); next = index + 1) {
        // The tree always leaves "DSTF" payloads in the file.
        dst_frames_.push_back(static_cast<const iff_packet_file*>(node));
    }
}

void dsdiff_file::read_diin(const iff_packet_container& diin)
{
    for (const auto& child : diin.children) {
        const std::vector<std::uint8_t>* data = data_of(*child);
        if (child->id == make_id("MARK")) {
            const std::size_t number = markers_.size() + marker_notes_.size() + 1;
            if (!data) {
                marker_notes_.push_back("MARK chunk " + std::to_string(number) + " is too large for a marker; ignored");
                continue;
            }
            if (auto marker = parse_marker(*data, props_.sample_rate, number, marker_notes_)) markers_.push_back(std::move(*marker));
        } else if (data && child->id == make_id("EMID") && !info_.emid) {
            info_.emid = chunk_text(*data);
        } else if (data && child->id == make_id("DIAR") && !info_.artist) {
            info_.artist = counted_text(*data);
        } else if (data && child->id == make_id("DITI") && !info_.title) {
            info_.title = counted_text(*data);
        }
    }
}

void dsdiff_file::read_dst_frame(std::size_t index, std::vector<std::uint8_t>& out, abort_signal& abort) const
{
    file& reader = *dst_frames_.at(index)->reader;
    const std::uint64_t size = reader.get_size(abort);
    // No frame is larger than its plain form plus its tables: a hostile size must not
    // size the buffer. The same bound as the component's.
    const std::uint64_t limit = std::uint64_t{props_.channel_count} * (dst_frame_bytes_per_channel_ + 1024) + 1024;
    if (size > limit) throw exception_io_data("DSTF chunk too large");
    out.resize(static_cast<std::size_t>(size));
    reader.seek(0, abort);
    reader.read_object(out.data(), out.size(), abort);
}

std::optional<std::vector<std::uint8_t>> dsdiff_file::read_id3_tag(abort_signal& abort) const
{
    const iff_packet_base* tag = nullptr;
    for (const top_level_chunk& chunk : chunks_) {
        if (chunk.node->id == id_id3) {
            tag = chunk.node;
            break;
        }
    }
    if (!tag) {
        iff_packet_base* node = nullptr;
        std::size_t index = 0;
        if (find_container(root_, id_prop)->find_child(0, id_id3, node, index)) tag = node;
    }
    if (!tag) return std::nullopt;
    if (const std::vector<std::uint8_t>* data = data_of(*tag)) return *data;
    if (tag->type == type_file) return read_whole(*static_cast<const iff_packet_file*>(tag)->reader, abort);
    return std::nullopt; // a container named "ID3 " holds no tag
}

track_list dsdiff_file::tracks() const
{
    track_list list = make_track_list(markers_, sample_count());
    list.notes.insert(list.notes.begin(), marker_notes_.begin(), marker_notes_.end());
    return list;
}
