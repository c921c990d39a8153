// A track's tags as our host carries them from a DSDIFF file to a WAV or FLAC file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct tag_picture {
    int type = 0;  // as ID3v2 and FLAC number them: 3 is the front cover
    std::string mime_type;
    std::string description;
    std::vector<std::uint8_t> data;
};

struct track_tags {
    // Names as TagLib's property map gives them (TITLE, ARTIST, ALBUMARTIST,
    // DATE...), except that "N/M" track and disc numbers are split into
    // TRACKNUMBER and TRACKTOTAL, DISCNUMBER and DISCTOTAL. UTF-8 values.
    std::vector<std::pair<std::string, std::vector<std::string>>> fields;
    std::vector<tag_picture> pictures;

    bool empty() const noexcept { return fields.empty() && pictures.empty(); }
    // The values of a field; empty when it has none.
    std::vector<std::string> values(const std::string& name) const;
};

// A value as one line: line breaks as \n and \r, and the backslash itself as \\, so that
// whoever reads the lines back can tell them apart.
std::string one_line(const std::string& value);

// "tag.NAME=value" lines, one per value, then "tag.PICTURE=type N, MIME, SIZE bytes" per picture.
std::string tag_lines(const track_tags& tags);
