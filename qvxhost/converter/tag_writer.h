// Writes tags and pictures into a finished WAV or FLAC file with TagLib: FLAC
// as Vorbis comments and picture blocks, WAV as an "id3 " chunk plus LIST/INFO
// for what INFO can hold.
#pragma once

#include "qvxhost/converter/output_formats.h"
#include "qvxhost/converter/track_tags.h"

#include <cstdint>
#include <string>
#include <vector>

// A whole ID3v2.4 tag of `tags` and their pictures, as DSF files carry one at their end.
std::vector<std::uint8_t> render_id3v2(const track_tags& tags);

// Writes into `path`, named `shown` in messages. False when the file is of a kind that
// cannot take tags (a WAV that became RF64); throws exception_io when the file cannot be
// rewritten.
bool write_tags(const std::string& path, const std::string& shown, output_format format, const track_tags& tags);
