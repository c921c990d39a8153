// Reads the tags of a DSDIFF file: the ID3v2 tag of its "ID3 " chunk (at the top
// level or inside "PROP"), parsed by TagLib. "N/M" track and disc numbers are split.
#pragma once

#include "qvxhost/converter/track_tags.h"

class abort_signal;
class dsdiff_file;

// Empty tags for a file without an "ID3 " chunk. Throws exception_io naming the fault when
// the chunk holds no tag that can be read (and in builds without TagLib, for every file).
track_tags read_id3_tags(const dsdiff_file& file, abort_signal& abort);
