// Reads the tags of a DSDIFF file: the ID3v2 tag of its "ID3 " chunk (at the
// top level or inside "PROP"), parsed by TagLib, and the "DIIN" title
// ("DITI") and artist ("DIAR") where the ID3 tag does not give them.
#pragma once

#include "qvxhost/converter/track_tags.h"

#include <string>

// Empty tags for a file without any. Throws exception_io naming the fault when
// the file or its tag cannot be read (and in builds without TagLib, for every file).
track_tags read_tags(const std::string& path);
