#include "dsdiff_file/plain_dsdiff_writer.h"

#include "dsdiff_file/byte_order.h"
#include "dsdiff_file/dsd_source.h"
#include "dsdiff_file/dsdiff_file.h"

#include <algorithm>
#include <string_view>
#include <vector>

using namespace iff_stream;

namespace {

constexpr chunk_id id_frm8 = make_id("FRM8");
constexpr chunk_id id_prop = make_id("PROP");
constexpr chunk_id id_cmpr = make_id("CMPR");
constexpr chunk_id id_dsd = make_id("DSD ");
constexpr chunk_id id_dst = make_id("DST ");
constexpr chunk_id id_dsti = make_id("DSTI");
constexpr chunk_id id_diin = make_id("DIIN");
constexpr chunk_id id_mark = make_id("MARK");
constexpr std::uint64_t header_bytes = 12;
constexpr std::size_t copy_block_bytes = 65536;

std::uint64_t padded(std::uint64_t size) { return size + (size & 1); }

// Compression type "DSD ", then the name as a pascal string (count byte, text) padded to even.
std::vector<std::uint8_t> plain_compression()
{
    constexpr std::string_view name = "not compressed";
    std::vector<std::uint8_t> payload(id_dsd.begin(), id_dsd.end());
    payload.push_back(static_cast<std::uint8_t>(name.size()));
    for (const char c : name) payload.push_back(static_cast<std::uint8_t>(c));
    if ((1 + name.size()) % 2 != 0) payload.push_back(0);
    return payload;
}

// What becomes of a chunk of the input.
enum class action {
    copy,              // byte for byte, containers with their children
    drop,
    sound,             // the decoded range as a "DSD " chunk
    plain_properties,  // "PROP" with "CMPR" made plain
    info_without_marks // "DIIN" without "MARK"
};

class writer {
public:
    writer(const dsdiff_file& input, const std::optional<dsd_byte_range>& track, byte_sink& out, abort_signal& abort)
        : input_(input), track_(track), out_(out), abort_(abort), range_(track.value_or(input.whole())),
          cmpr_(plain_compression())
    {
    }

    void run()
    {
        std::uint64_t form_payload = 4;
        for (const top_level_chunk& chunk : input_.chunks())
            if (!chunk.after_form && what_of(*chunk.node) != action::drop) form_payload += chunk_bytes(*chunk.node);
        std::vector<std::uint8_t> head;
        put_id(head, id_frm8);
        put_be(head, form_payload, 8);
        put_id(head, id_dsd); // the form type
        out_.write(head);
        for (const bool after_form : {false, true})
            for (const top_level_chunk& chunk : input_.chunks())
                if (chunk.after_form == after_form) write_chunk(*chunk.node);
    }

private:
    static void put_id(std::vector<std::uint8_t>& out, const chunk_id& id) { out.insert(out.end(), id.begin(), id.end()); }

    action what_of(const iff_packet_base& node) const
    {
        if (input_.is_dst()) {
            if (node.id == id_dst) return action::sound;
            // A stray "DSD " chunk in a DST file would make a second one.
            if (node.id == id_dsti || node.id == id_dsd) return action::drop;
            if (node.id == id_prop) return action::plain_properties;
        } else if (node.id == id_dsd && track_) {
            return action::sound;
        }
        if (node.id == id_diin && track_) return action::info_without_marks;
        return action::copy;
    }

    // Payload size of a chunk as written: a copy, or made anew for `what`.
    std::uint64_t payload_bytes(const iff_packet_base& node, action what) const
    {
        switch (what) {
        case action::drop: return 0;
        case action::sound: return range_.size() * input_.channel_count();
        default: break;
        }
        switch (node.type) {
        case type_data: return static_cast<const iff_packet_data&>(node).data.size();
        case type_file: return static_cast<const iff_packet_file&>(node).reader->get_size(abort_);
        default: break;
        }
        std::uint64_t size = node.id == id_prop ? 4 : 0; // the property type
        for (const auto& child : static_cast<const iff_packet_container&>(node).children) {
            if (what == action::info_without_marks && child->id == id_mark) continue;
            if (what == action::plain_properties && child->id == id_cmpr)
                size += header_bytes + padded(cmpr_.size());
            else
                size += chunk_bytes(*child, action::copy);
        }
        return size;
    }

    std::uint64_t chunk_bytes(const iff_packet_base& node) const { return chunk_bytes(node, what_of(node)); }
    std::uint64_t chunk_bytes(const iff_packet_base& node, action what) const
    {
        return header_bytes + padded(payload_bytes(node, what));
    }

    void write_header(const chunk_id& id, std::uint64_t payload)
    {
        std::vector<std::uint8_t> head;
        put_id(head, id);
        put_be(head, payload, 8);
        out_.write(head);
    }

    void write_pad(std::uint64_t payload)
    {
        static constexpr std::uint8_t zero[1] = {0};
        if (payload % 2 != 0) out_.write(zero);
    }

    void write_chunk(const iff_packet_base& node) { write_chunk(node, what_of(node)); }
    void write_chunk(const iff_packet_base& node, action what)
    {
        if (what == action::drop) return;
        const std::uint64_t payload = payload_bytes(node, what);
        write_header(what == action::sound ? id_dsd : node.id, payload);
        if (what == action::sound) {
            write_sound();
        } else if (node.type == type_data) {
            out_.write(static_cast<const iff_packet_data&>(node).data);
        } else if (node.type == type_file) {
            copy_file(*static_cast<const iff_packet_file&>(node).reader, payload);
        } else {
            if (node.id == id_prop) out_.write(std::vector<std::uint8_t>{'S', 'N', 'D', ' '});
            for (const auto& child : static_cast<const iff_packet_container&>(node).children) {
                if (what == action::info_without_marks && child->id == id_mark) continue;
                if (what == action::plain_properties && child->id == id_cmpr) {
                    write_header(id_cmpr, cmpr_.size());
                    out_.write(cmpr_);
                    write_pad(cmpr_.size());
                } else {
                    write_chunk(*child, action::copy);
                }
            }
        }
        write_pad(payload);
    }

    void copy_file(file& reader, std::uint64_t bytes)
    {
        buffer_.resize(copy_block_bytes);
        reader.seek(0, abort_);
        for (std::uint64_t done = 0; done < bytes;) {
            abort_.check();
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), bytes - done));
            reader.read_object(buffer_.data(), want, abort_);
            out_.write(std::span(buffer_).first(want));
            done += want;
        }
    }

    void write_sound()
    {
        const std::unique_ptr<dsd_source> source = make_dsd_source(input_, range_);
        buffer_.resize(copy_block_bytes / input_.channel_count() * input_.channel_count() + input_.channel_count());
        while (const std::size_t got = source->read(buffer_, abort_)) out_.write(std::span(buffer_).first(got));
    }

    const dsdiff_file& input_;
    const std::optional<dsd_byte_range>& track_;
    byte_sink& out_;
    abort_signal& abort_;
    dsd_byte_range range_;
    std::vector<std::uint8_t> cmpr_;   // the plain "CMPR" payload
    std::vector<std::uint8_t> buffer_; // one block on its way from the input to `out_`
};

} // namespace

void write_plain_dsdiff(const dsdiff_file& input, const std::optional<dsd_byte_range>& track, byte_sink& out,
                        abort_signal& abort)
{
    writer(input, track, out, abort).run();
}
