// A track's tags as our host carries them from a DSDIFF file to a WAV or FLAC file.
#pragma once

#include "dsdiff_file/dsdiff_file.h"
#include "dsdiff_file/track_list.h"

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
    // Replaces every value of a field by `value`, or adds the field.
    void set(const std::string& name, const std::string& value);
    void erase(const std::string& name);
};

// A whole file's tags: those of its ID3 tag, with the "DIIN" title ("DITI") as TITLE and
// artist ("DIAR") as ARTIST where the ID3 tag has none.
track_tags whole_file_tags(track_tags id3, const dsdiff_info& info);

// One track of an edited master, `track` of `total`: the file's tags, with TITLE from the
// marker's text (none when it has no text: the file's title names the whole), TRACKNUMBER
// and TRACKTOTAL from the split, ALBUM from "DITI" where the ID3 tag has no album and
// ARTIST from "DIAR" where it has no artist.
track_tags track_part_tags(track_tags id3, const dsdiff_info& info, const dsdiff_track& track, std::size_t total);

// A value as one line: line breaks as \n and \r, and the backslash itself as \\, so that
// whoever reads the lines back can tell them apart.
std::string one_line(const std::string& value);

// "tag.NAME=value" lines, one per value, then "tag.PICTURE=type N, MIME, SIZE bytes" per picture.
std::string tag_lines(const track_tags& tags);
