#include "qvxhost/converter/track_tags.h"

std::vector<std::string> track_tags::values(const std::string& name) const
{
    for (const auto& [field, field_values] : fields)
        if (field == name) return field_values;
    return {};
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
