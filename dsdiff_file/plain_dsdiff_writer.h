// Writes a DSDIFF file with plain DSD: the input's chunks in the input's order, its
// sound as decoded DSD in a "DSD " chunk. Container sizes are computed before anything
// is written, so the output streams in one pass with one block in memory.
#pragma once

#include "dsdiff_file/byte_sink.h"
#include "dsdiff_file/dsd_byte_range.h"
#include "host/abort_signal.h"

#include <optional>

class dsdiff_file;

// The whole file, or with `track` only that range of the audio (bytes per channel).
//
// For a DST input the "DST " chunk becomes a "DSD " chunk of the decoded data (its "DSTC"
// CRCs go with it), "CMPR" in "PROP" becomes "DSD " "not compressed", and the frame index
// "DSTI" is dropped. Every other chunk ("ID3 ", "DIIN", "COMT", "MANF", "ABSS", "LSCO",
// unknown ones) is copied byte for byte, with "FRM8" and "PROP" sized anew. A plain input
// written whole is copied byte for byte. For a track the "DSD " chunk holds the track's
// bytes only and the "MARK" chunks of "DIIN" are left out: they place markers in the
// whole master, not in the track.
void write_plain_dsdiff(const dsdiff_file& input, const std::optional<dsd_byte_range>& track, byte_sink& out,
                        abort_signal& abort);
