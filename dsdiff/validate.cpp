#include "dsdiff/validate.h"

#include "dsdiff/channel_layout.h"
#include "util/exceptions.h"

#include <bit>
#include <cstddef>
#include <span>
#include <vector>

using namespace iff_stream;

namespace {

std::uint32_t be16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] << 8 | p[1]); }
std::uint32_t be32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

[[noreturn]] void reject(const char* message) { throw exception_io_data(message); }

// The first child named `id`, and whether a second one follows it.
struct lookup {
    iff_packet_base* node = nullptr;
    bool duplicated = false;
};

lookup find_unique(const iff_packet_container& parent, const chunk_id& id)
{
    lookup result;
    std::size_t index = 0;
    if (!parent.find_child(0, id, result.node, index)) return result;
    iff_packet_base* second = nullptr;
    std::size_t second_index = 0;
    result.duplicated = parent.find_child(index + 1, id, second, second_index);
    return result;
}

const std::vector<std::uint8_t>& payload(const iff_packet_base& node) { return static_cast<const iff_packet_data&>(node).data; }

void check_version(const iff_packet_container& root)
{
    const lookup fver = find_unique(root, make_id("FVER"));
    if (!fver.node) reject("FVER chunk missing");
    if (fver.duplicated) reject("More than one FVER chunk");
    if (fver.node->type != type_data) reject("FVER chunk too large");
    const auto& data = payload(*fver.node);
    if (data.size() != 4) reject("FVER chunk wrong size");
    const std::uint32_t version = be32(data.data());
    if (version < 0x01000000 || version > 0x01050000) reject("File version not supported");
}

// Positions must follow the standard order for the standard layouts.
void check_channel_order(std::uint32_t count, std::uint32_t mask, const std::vector<unsigned>& positions)
{
    static const std::vector<unsigned> stereo{0, 1}, five{0, 1, 2, 4, 5}, six{0, 1, 2, 3, 4, 5};
    const std::vector<unsigned>* expected = nullptr;
    if (count == 2 && mask == 0x3) expected = &stereo;
    if (count == 5 && mask == 0x37) expected = &five;
    if (count == 6 && mask == 0x3F) expected = &six;
    if (expected && positions != *expected) reject("Invalid channel order");
}

void read_channels(const std::vector<std::uint8_t>& data, stream_properties& props, const console_line_sink& console)
{
    if (data.size() < 2) reject("PROP CHNL chunk too small");
    const std::uint32_t count = be16(data.data());
    if (data.size() < 4 * static_cast<std::size_t>(count) + 2) reject("PROP CHNL chunk too small");

    props.channel_count = count;
    props.channel_mask = 0;
    std::vector<unsigned> positions;
    positions.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* raw = data.data() + 2 + 4 * i;
        const chunk_id id = id_at(raw);
        std::optional<unsigned> position = channel_position(id);
        if (!position) {
            std::string name;
            for (char c : id) {
                if (c == 0) break;
                name += c;
            }
            if (console) console("Unknown channel ID: " + name);
            position = 0;
        }
        positions.push_back(*position);
        props.channel_mask |= 1u << *position;
    }
    check_channel_order(count, props.channel_mask, positions);
    if (static_cast<std::uint32_t>(std::popcount(props.channel_mask)) < count) reject("Duplicate channels found");
}

void read_compression(const std::vector<std::uint8_t>& data, stream_properties& props)
{
    if (data.size() < 5) reject("PROP CMPR chunk too small");
    const chunk_id type = id_at(data.data());
    if (type != make_id("DSD ") && type != make_id("DST ")) {
        std::string name;
        for (std::size_t i = 5; i < data.size() && i < 5 + static_cast<std::size_t>(data[4]) && data[i] != 0; ++i)
            name += static_cast<char>(data[i]);
        throw exception_io_data("Unsupported compression type: " + name);
    }
    props.is_dst = type == make_id("DST ");
}

void read_properties(const iff_packet_container& root, stream_properties& props, const console_line_sink& console)
{
    const lookup prop = find_unique(root, make_id("PROP"));
    if (!prop.node) reject("PROP chunk missing");
    if (prop.duplicated) reject("More than one PROP chunk");
    if (prop.node->type != type_container) reject("PROP not parsed as container");
    const auto& children = static_cast<const iff_packet_container&>(*prop.node).children;
    if (children.empty()) reject("Required PROP chunks missing");

    bool seen_fs = false, seen_chnl = false, seen_cmpr = false, seen_abss = false, seen_lsco = false;
    for (const auto& child : children) {
        if (child->type != type_data) reject("PROP sub-packet too large");
        const auto& data = payload(*child);
        if (child->id == make_id("FS  ")) {
            if (seen_fs) reject("Multiple PROP FS chunks found");
            if (data.size() != 4) reject("PROP FS chunk wrong size");
            props.sample_rate = be32(data.data());
            seen_fs = true;
        } else if (child->id == make_id("CHNL")) {
            if (seen_chnl) reject("Multiple PROP CHNL chunks found");
            read_channels(data, props, console);
            seen_chnl = true;
        } else if (child->id == make_id("CMPR")) {
            if (seen_cmpr) reject("Multiple PROP CMPR chunks found");
            read_compression(data, props);
            seen_cmpr = true;
        } else if (child->id == make_id("ABSS")) {
            if (seen_abss) reject("Multiple PROP ABSS chunks found");
            if (data.size() != 8) reject("PROP ABSS chunk wrong size");
            seen_abss = true;
        } else if (child->id == make_id("LSCO")) {
            if (seen_lsco) reject("Multiple PROP LSCO chunks found");
            if (data.size() != 2) reject("PROP LSCO chunk wrong size");
            seen_lsco = true;
        }
    }
    if (!seen_fs || !seen_chnl || !seen_cmpr) reject("Required PROP chunks missing");
    // Every later computation divides by these two.
    if (props.sample_rate == 0) reject("PROP FS sample rate is zero");
    if (props.channel_count == 0) reject("PROP CHNL chunk has no channels");
}

void find_sound_data(const iff_packet_container& root, stream_properties& props)
{
    const lookup dsd = find_unique(root, make_id("DSD "));
    if (!dsd.node) reject("DSD chunk missing");
    if (dsd.duplicated) reject("More than one DSD chunk");
    if (dsd.node->type != type_file) reject("DSD chunk not file range");
    props.sound_reader = static_cast<const iff_packet_file&>(*dsd.node).reader;
}

void read_frame_table(const iff_packet_container& root, stream_properties& props)
{
    const lookup dst = find_unique(root, make_id("DST "));
    // Decoding needs the container; a DST file without one cannot play.
    if (!dst.node) reject("DST chunk missing");
    if (dst.duplicated) reject("More than one DST chunk");
    if (dst.node->type != type_container) reject("DST chunk not container");
    const auto& children = static_cast<const iff_packet_container&>(*dst.node).children;
    if (children.empty() || children.front()->id != make_id("FRTE")) reject("DST chunk is missing FRTE chunk");
    const iff_packet_base& frte = *children.front();
    if (frte.type != type_data) reject("DST FRTE chunk too large");
    const auto& data = payload(frte);
    if (data.size() != 6) reject("DST FRTE chunk wrong size");
    props.frame_count = be32(data.data());
    props.frame_rate = be16(data.data() + 4);
    if (props.frame_rate != 75) reject("Non-standard frame rate");
}

} // namespace

void validate_dsdiff(const iff_packet_container& root, stream_properties& props, const console_line_sink& console)
{
    check_version(root);
    read_properties(root, props, console);
    if (props.is_dst)
        read_frame_table(root, props);
    else
        find_sound_data(root, props);
}
