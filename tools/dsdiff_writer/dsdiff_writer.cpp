#include "dsdiff_writer.h"

#include <fstream>
#include <stdexcept>

namespace dsdiff_writer {

namespace {
template <class T>
bytes big_endian(T v, int width)
{
    bytes out(static_cast<std::size_t>(width));
    for (int i = width - 1; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v & 0xFF);
        v = static_cast<T>(v >> 8);
    }
    return out;
}

bytes four_cc(std::string_view id)
{
    if (id.size() != 4) throw std::invalid_argument("chunk identifiers have four characters: '" + std::string(id) + "'");
    return text(id);
}
} // namespace

bytes be16(std::uint16_t v) { return big_endian(v, 2); }
bytes be32(std::uint32_t v) { return big_endian(v, 4); }
bytes be64(std::uint64_t v) { return big_endian(v, 8); }
bytes text(std::string_view t) { return bytes(t.begin(), t.end()); }

void append(bytes& to, std::span<const std::uint8_t> more) { to.insert(to.end(), more.begin(), more.end()); }

bytes cat(std::initializer_list<bytes> parts)
{
    bytes out;
    for (const bytes& part : parts) append(out, part);
    return out;
}

bytes chunk(std::string_view id, std::span<const std::uint8_t> payload, std::optional<std::uint64_t> declared_size)
{
    bytes out = four_cc(id);
    append(out, be64(declared_size.value_or(payload.size())));
    append(out, payload);
    if (payload.size() % 2 != 0) out.push_back(0);
    return out;
}

bytes container(std::string_view id, std::initializer_list<bytes> children) { return chunk(id, cat(children)); }

bytes form(std::string_view id, std::string_view type, std::initializer_list<bytes> children)
{
    bytes payload = four_cc(type);
    for (const bytes& child : children) append(payload, child);
    return chunk(id, payload);
}

bytes fver(std::uint32_t version) { return chunk("FVER", be32(version)); }
bytes fs(std::uint32_t sample_rate) { return chunk("FS  ", be32(sample_rate)); }

bytes chnl(const std::vector<std::string>& channel_ids)
{
    bytes payload = be16(static_cast<std::uint16_t>(channel_ids.size()));
    for (const std::string& id : channel_ids) append(payload, four_cc(id));
    return chunk("CHNL", payload);
}

bytes cmpr(std::string_view type, std::string_view name)
{
    bytes payload = four_cc(type);
    payload.push_back(static_cast<std::uint8_t>(name.size()));
    append(payload, text(name));
    // The name is a pascal string padded to an even length, count byte included.
    if (name.size() % 2 == 0) payload.push_back(0);
    return chunk("CMPR", payload);
}

bytes mark(const marker& m)
{
    return chunk("MARK", cat({be16(m.hours), bytes{m.minutes, m.seconds}, be32(m.samples), be32(static_cast<std::uint32_t>(m.offset)),
                              be16(m.type), be16(m.channel), be16(0), be32(static_cast<std::uint32_t>(m.text.size())), text(m.text)}));
}

bytes counted_text_chunk(std::string_view id, std::string_view characters)
{
    return chunk(id, cat({be32(static_cast<std::uint32_t>(characters.size())), text(characters)}));
}

std::vector<std::string> standard_channel_ids(unsigned channel_count)
{
    switch (channel_count) {
    case 1: return {"C   "};
    case 2: return {"SLFT", "SRGT"};
    case 3: return {"SLFT", "SRGT", "C   "};
    case 4: return {"SLFT", "SRGT", "LS  ", "RS  "};
    case 5: return {"SLFT", "SRGT", "C   ", "LS  ", "RS  "};
    case 6: return {"SLFT", "SRGT", "C   ", "LFE ", "LS  ", "RS  "};
    default: throw std::invalid_argument("standard layouts have 1 to 6 channels");
    }
}

std::uint32_t standard_channel_mask(unsigned channel_count)
{
    static constexpr std::uint32_t masks[] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F};
    if (channel_count < 1 || channel_count > 6) throw std::invalid_argument("standard layouts have 1 to 6 channels");
    return masks[channel_count];
}

bytes prop(const stream_format& format, std::string_view compression)
{
    const bool dst = compression == "DST ";
    return form("PROP", "SND ",
                {fs(format.sample_rate), chnl(format.channel_ids),
                 cmpr(compression, dst ? "DST Encoded" : "not compressed")});
}

bytes plain_file_header(const stream_format& format, std::uint64_t sound_bytes, std::uint64_t trailing_bytes)
{
    const bytes head = cat({fver(), prop(format, "DSD ")});
    const std::uint64_t dsd_chunk = 12 + sound_bytes + (sound_bytes % 2);
    bytes out = four_cc("FRM8");
    append(out, be64(4 + head.size() + dsd_chunk + trailing_bytes));
    append(out, text("DSD "));
    append(out, head);
    append(out, four_cc("DSD "));
    append(out, be64(sound_bytes));
    return out;
}

bytes plain_file(const stream_format& format, std::span<const std::uint8_t> sound_data)
{
    bytes out = plain_file_header(format, sound_data.size());
    append(out, sound_data);
    if (sound_data.size() % 2 != 0) out.push_back(0);
    return out;
}

bytes dst_file(const stream_format& format, const std::vector<bytes>& frames)
{
    bytes dst_payload = chunk("FRTE", cat({be32(static_cast<std::uint32_t>(frames.size())), be16(75)}));
    for (const bytes& frame : frames) append(dst_payload, chunk("DSTF", frame));
    return form("FRM8", "DSD ", {fver(), prop(format, "DST "), chunk("DST ", dst_payload)});
}

void write_file(const std::string& path, std::span<const std::uint8_t> data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

} // namespace dsdiff_writer
