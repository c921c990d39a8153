// Writes tags and pictures into a finished WAV or FLAC file with TagLib: FLAC
// as Vorbis comments and picture blocks, WAV as an "id3 " chunk plus LIST/INFO
// for what INFO can hold.
#pragma once

#include "qvxhost/converter/pcm_writer.h"
#include "qvxhost/converter/track_tags.h"

#include <string>

// Throws exception_io naming the path when the file cannot be rewritten.
void write_tags(const std::string& path, output_format format, const track_tags& tags);
