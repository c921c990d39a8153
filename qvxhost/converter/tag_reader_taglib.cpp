#include "qvxhost/converter/tag_reader.h"

#include "util/exceptions.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfile.h>
#include <taglib/tpropertymap.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

namespace {

// Large enough for a tag with several high-resolution pictures.
constexpr std::uint64_t largest_tag_bytes = 64u << 20;

// The chunks of a DSDIFF file that carry tags, located by reading the chunk headers only.
class tag_chunk_finder {
public:
    explicit tag_chunk_finder(const std::string& path) : in_(path, std::ios::binary)
    {
        if (!in_) throw exception_io("Cannot open " + path + ": " + std::strerror(errno));
        in_.seekg(0, std::ios::end);
        file_size_ = static_cast<std::uint64_t>(in_.tellg());
        in_.seekg(0);
        char form[4], type[4];
        const std::uint64_t size = header(0, form);
        read_at(12, type, 4);
        if (std::memcmp(form, "FRM8", 4) != 0 || std::memcmp(type, "DSD ", 4) != 0)
            throw exception_io_data("not a DSDIFF file");
        walk(16, std::min(12 + size, file_size_), 0);
    }

    std::optional<std::vector<std::uint8_t>> id3;
    std::optional<std::string> title;   // "DITI"
    std::optional<std::string> artist;  // "DIAR"

private:
    // Reads a chunk header at `at`: its identifier into `id`, returns its size.
    std::uint64_t header(std::uint64_t at, char (&id)[4])
    {
        unsigned char bytes[12];
        read_at(at, bytes, sizeof bytes);
        std::memcpy(id, bytes, 4);
        std::uint64_t size = 0;
        for (int i = 4; i < 12; ++i) size = size << 8 | bytes[i];
        return size;
    }

    void read_at(std::uint64_t at, void* out, std::size_t bytes)
    {
        in_.seekg(static_cast<std::streamoff>(at));
        if (!in_.read(static_cast<char*>(out), static_cast<std::streamsize>(bytes)))
            throw exception_io_data("Cannot read the chunk at byte " + std::to_string(at));
    }

    void walk(std::uint64_t at, std::uint64_t end, int depth)
    {
        while (end - at >= 12 && at < end) {
            char id[4];
            const std::uint64_t size = header(at, id);
            const std::uint64_t data = at + 12;
            if (size > end - data) throw exception_io_data("The \"" + std::string(id, 4) + "\" chunk reaches beyond its container");
            const std::string name(id, 4);
            if (name == "ID3 " && !id3) {
                if (size > largest_tag_bytes) throw exception_io_data("The \"ID3 \" chunk is too large");
                id3.emplace(static_cast<std::size_t>(size));
                read_at(data, id3->data(), id3->size());
            } else if (name == "PROP" && depth == 0 && size >= 4) {
                walk(data + 4, data + size, depth + 1);
            } else if (name == "DIIN" && depth == 0) {
                walk(data, data + size, depth + 1);
            } else if ((name == "DITI" || name == "DIAR") && depth == 1 && size >= 4) {
                text_chunk(data, size, name == "DITI" ? title : artist);
            }
            at = data + size + (size & 1);
        }
    }

    // uint32 count, then that many characters.
    void text_chunk(std::uint64_t data, std::uint64_t size, std::optional<std::string>& out)
    {
        unsigned char count_bytes[4];
        read_at(data, count_bytes, 4);
        const std::uint64_t count = std::uint64_t{count_bytes[0]} << 24 | std::uint64_t{count_bytes[1]} << 16 |
                                    std::uint64_t{count_bytes[2]} << 8 | count_bytes[3];
        std::string text(static_cast<std::size_t>(std::min(count, size - 4)), '\0');
        read_at(data + 4, text.data(), text.size());
        // The format leaves the character set open: UTF-8 when it is valid UTF-8, Latin-1 otherwise.
        const TagLib::String as_utf8(text, TagLib::String::UTF8);
        if (as_utf8.to8Bit(true) != text) text = TagLib::String(text, TagLib::String::Latin1).to8Bit(true);
        while (!text.empty() && text.back() == '\0') text.pop_back();
        if (!text.empty()) out = text;
    }

    std::ifstream in_;
    std::uint64_t file_size_ = 0;
};

// The bytes of an "ID3 " chunk as a file of their own, so that TagLib's ID3v2 reader can take them.
class id3_chunk_file final : public TagLib::File {
public:
    explicit id3_chunk_file(TagLib::ByteVectorStream& stream) : TagLib::File(&stream), tag_(this, 0) {}
    TagLib::ID3v2::Tag* tag() const override { return &tag_; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }

private:
    mutable TagLib::ID3v2::Tag tag_;
};

std::string utf8(const TagLib::String& text) { return text.to8Bit(true); }

// "3/12" into 3 and 12.
void split_number(track_tags& tags, const std::string& number_name, const std::string& total_name)
{
    for (auto& [name, values] : tags.fields) {
        if (name != number_name || values.empty()) continue;
        const auto slash = values[0].find('/');
        if (slash == std::string::npos) return;
        const std::string total = values[0].substr(slash + 1);
        values[0].erase(slash);
        if (!total.empty() && tags.values(total_name).empty()) tags.fields.emplace_back(total_name, std::vector{total});
        return;
    }
}

void read_id3(const std::vector<std::uint8_t>& bytes, track_tags& tags)
{
    if (bytes.size() < 10 || std::memcmp(bytes.data(), "ID3", 3) != 0)
        throw exception_io_data("The \"ID3 \" chunk holds no ID3v2 tag");
    TagLib::ByteVectorStream stream(TagLib::ByteVector(reinterpret_cast<const char*>(bytes.data()),
                                                       static_cast<unsigned int>(bytes.size())));
    const id3_chunk_file file(stream);
    const TagLib::ID3v2::Tag& tag = *file.tag();
    if (tag.header()->tagSize() == 0) throw exception_io_data("The ID3v2 tag cannot be read");
    const TagLib::PropertyMap properties = tag.properties();
    for (const auto& [name, values] : properties) {
        std::vector<std::string> texts;
        for (const auto& value : values) texts.push_back(utf8(value));
        if (!texts.empty()) tags.fields.emplace_back(utf8(name), std::move(texts));
    }
    const auto& frames = tag.frameListMap();
    if (const auto found = frames.find("APIC"); found != frames.end()) {
        for (const auto* frame : found->second) {
            const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
            if (picture == nullptr) continue;
            const TagLib::ByteVector data = picture->picture();
            tags.pictures.push_back({static_cast<int>(picture->type()), utf8(picture->mimeType()),
                                     utf8(picture->description()),
                                     std::vector<std::uint8_t>(data.begin(), data.end())});
        }
    }
}

} // namespace

track_tags read_tags(const std::string& path)
{
    const tag_chunk_finder chunks(path);
    track_tags tags;
    if (chunks.id3) read_id3(*chunks.id3, tags);
    if (chunks.title && tags.values("TITLE").empty()) tags.fields.emplace_back("TITLE", std::vector{*chunks.title});
    if (chunks.artist && tags.values("ARTIST").empty()) tags.fields.emplace_back("ARTIST", std::vector{*chunks.artist});
    split_number(tags, "TRACKNUMBER", "TRACKTOTAL");
    split_number(tags, "DISCNUMBER", "DISCTOTAL");
    return tags;
}
