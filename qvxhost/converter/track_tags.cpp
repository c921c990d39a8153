#include "qvxhost/converter/track_tags.h"

std::vector<std::string> track_tags::values(const std::string& name) const
{
    for (const auto& [field, field_values] : fields)
        if (field == name) return field_values;
    return {};
}

void track_tags::set(const std::string& name, const std::string& value)
{
    for (auto& [field, field_values] : fields) {
        if (field != name) continue;
        field_values = {value};
        return;
    }
    fields.emplace_back(name, std::vector{value});
}

void track_tags::erase(const std::string& name)
{
    std::erase_if(fields, [&](const auto& field) { return field.first == name; });
}

track_tags whole_file_tags(track_tags id3, const dsdiff_info& info)
{
    if (info.title && id3.values("TITLE").empty()) id3.set("TITLE", *info.title);
    if (info.artist && id3.values("ARTIST").empty()) id3.set("ARTIST", *info.artist);
    return id3;
}

track_tags track_part_tags(track_tags id3, const dsdiff_info& info, const dsdiff_track& track, std::size_t total)
{
    if (track.title.empty()) {
        id3.erase("TITLE");
    } else {
        id3.set("TITLE", track.title);
    }
    id3.set("TRACKNUMBER", std::to_string(track.number));
    id3.set("TRACKTOTAL", std::to_string(total));
    if (info.title && id3.values("ALBUM").empty()) id3.set("ALBUM", *info.title);
    if (info.artist && id3.values("ARTIST").empty()) id3.set("ARTIST", *info.artist);
    return id3;
}

std::string one_line(const std::string& value)
{
    std::string text;
    for (const char c : value) {
        if (c == '\\') text += "\\\\";
        else if (c == '\n') text += "\\n";
        else if (c == '\r') text += "\\r";
        else text += c;
    }
    return text;
}

std::string tag_lines(const track_tags& tags)
{
    std::string text;
    for (const auto& [name, values] : tags.fields)
        for (const auto& value : values) text += "tag." + one_line(name) + "=" + one_line(value) + "\n";
    for (const auto& picture : tags.pictures)
        text += "tag.PICTURE=type " + std::to_string(picture.type) + ", " + picture.mime_type + ", " +
                std::to_string(picture.data.size()) + " bytes\n";
    return text;
}
