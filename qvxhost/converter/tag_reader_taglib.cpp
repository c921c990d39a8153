#include "qvxhost/converter/tag_reader.h"

#include "dsdiff_file/dsdiff_file.h"
#include "util/exceptions.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfile.h>
#include <taglib/tpropertymap.h>

#include <cstring>

namespace {

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

track_tags read_id3_tags(const dsdiff_file& file, abort_signal& abort)
{
    track_tags tags;
    const auto bytes = file.read_id3_tag(abort);
    if (!bytes) return tags;
    read_id3(*bytes, tags);
    split_number(tags, "TRACKNUMBER", "TRACKTOTAL");
    split_number(tags, "DISCNUMBER", "DISCTOTAL");
    return tags;
}
