// The MD5 of a DSDIFF file's decoded audio in DSDIFF's layout (channel-interleaved
// bytes, earliest sample in the most significant bit): a plain file and its DST
// encoding give the same digest.
#pragma once

#include "dsdiff_file/md5.h"
#include "host/abort_signal.h"

class dsdiff_file;

// Decodes the whole audio once, a block at a time; throws what the DSD source throws.
md5::digest dsd_md5(const dsdiff_file& file, abort_signal& abort);
