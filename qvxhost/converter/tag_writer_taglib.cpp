#include "qvxhost/converter/tag_writer.h"

#include "qvxhost/converter/library_paths.h"
#include "qvxhost/player/utf8_paths.h"
#include "util/exceptions.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <fstream>
#include <memory>
#include <string_view>

namespace {

TagLib::String text(const std::string& utf8) { return TagLib::String(utf8, TagLib::String::UTF8); }

TagLib::ByteVector bytes(const std::vector<std::uint8_t>& data)
{
    return TagLib::ByteVector(reinterpret_cast<const char*>(data.data()), static_cast<unsigned int>(data.size()));
}

[[noreturn]] void cannot_write(const std::string& shown)
{
    throw exception_io("Cannot write the tags of " + shown);
}

void write_flac(const std::string& path, const std::string& shown, const track_tags& tags)
{
    const taglib_path file_name(path);
    TagLib::FLAC::File file(file_name.name(), false);
    if (!file.isValid()) cannot_write(shown);
    TagLib::Ogg::XiphComment& comment = *file.xiphComment(true);
    for (const auto& [name, values] : tags.fields)
        for (const auto& value : values) comment.addField(text(name), text(value), false);
    for (const auto& picture : tags.pictures) {
        auto block = std::make_unique<TagLib::FLAC::Picture>();
        block->setType(static_cast<TagLib::FLAC::Picture::Type>(picture.type));
        block->setMimeType(text(picture.mime_type));
        block->setDescription(text(picture.description));
        block->setData(bytes(picture.data));
        file.addPicture(block.release());  // the file owns its pictures
    }
    if (!file.save()) cannot_write(shown);
}

// ID3v2 keeps track and disc totals with their numbers ("3/12").
TagLib::PropertyMap id3_properties(const track_tags& tags)
{
    TagLib::PropertyMap map;
    for (const auto& [name, values] : tags.fields) {
        if (name == "TRACKTOTAL" || name == "DISCTOTAL") continue;
        TagLib::StringList list;
        for (const auto& value : values) list.append(text(value));
        map.insert(text(name), list);
    }
    for (const auto& [number, total] : {std::pair{"TRACKNUMBER", "TRACKTOTAL"}, std::pair{"DISCNUMBER", "DISCTOTAL"}}) {
        const auto numbers = tags.values(number);
        const auto totals = tags.values(total);
        if (!numbers.empty() && !totals.empty()) map.replace(number, text(numbers[0] + "/" + totals[0]));
    }
    return map;
}

// TagLib reads RIFF only: a WAV that had to become RF64 (beyond 4 GiB) cannot take tags.
bool is_rf64(const std::string& path)
{
    std::ifstream in(path_from_utf8(path), std::ios::binary);
    char id[4] = {};
    return in.read(id, 4) && std::string_view(id, 4) == "RF64";
}

// The fields and pictures of `tags` into an ID3v2 tag.
void fill_id3(TagLib::ID3v2::Tag& id3, const track_tags& tags)
{
    id3.setProperties(id3_properties(tags));
    for (const auto& picture : tags.pictures) {
        auto frame = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
        frame->setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(picture.type));
        frame->setMimeType(text(picture.mime_type));
        frame->setDescription(text(picture.description));
        frame->setPicture(bytes(picture.data));
        id3.addFrame(frame.release());  // the tag owns its frames
    }
}

bool write_wav(const std::string& path, const std::string& shown, const track_tags& tags)
{
    if (is_rf64(path)) return false;
    const taglib_path file_name(path);
    TagLib::RIFF::WAV::File file(file_name.name(), false);
    if (!file.isValid()) cannot_write(shown);
    fill_id3(*file.ID3v2Tag(), tags);
    // INFO holds the common fields only (title, artist, album, comment, genre, year, track).
    file.InfoTag()->setProperties(id3_properties(tags));
    if (!file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripNone, TagLib::ID3v2::v4)) cannot_write(shown);
    return true;
}

} // namespace

std::vector<std::uint8_t> render_id3v2(const track_tags& tags)
{
    TagLib::ID3v2::Tag id3;
    fill_id3(id3, tags);
    const TagLib::ByteVector rendered = id3.render();
    return {rendered.begin(), rendered.end()};
}

bool write_tags(const std::string& path, const std::string& shown, output_format format, const track_tags& tags)
{
    if (format == output_format::flac) write_flac(path, shown, tags);
    if (format == output_format::wav) return write_wav(path, shown, tags);
    return true;
}
