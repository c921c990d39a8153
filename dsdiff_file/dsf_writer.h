// Writes DSD as a DSF file (all fields little-endian): the "DSD " chunk, the "fmt "
// chunk, the "data" chunk with each 4096-byte block of each channel in turn (earliest
// sample in the least significant bit), then an optional ID3v2 tag. Everything is
// computed from the sample count before the data, so the file streams out in one pass
// with one block per channel in memory.
#pragma once

#include "dsdiff_file/byte_sink.h"
#include "dsdiff_file/dsd_byte_range.h"
#include "dsdiff_file/dsf_channel_layout.h"
#include "host/abort_signal.h"

#include <cstdint>
#include <span>

class dsd_source;
class dsdiff_file;

inline constexpr std::uint32_t dsf_block_bytes_per_channel = 4096;

// All of `source` as DSF at `sample_rate` Hz, its channels arranged by `layout` (whose
// size must be the source's channel count, else exception_bug_check). The last block of
// each channel is filled beyond the samples with DSD silence. A non-empty `id3_tag` (a
// whole ID3v2 tag) is written at the end, and the header points to it; with none, the
// metadata offset is 0 and a tag may be appended later by a tool that updates the header.
void write_dsf(dsd_source& source, const dsf_channel_layout& layout, std::uint32_t sample_rate,
               std::span<const std::uint8_t> id3_tag, byte_sink& out, abort_signal& abort);

// `range` of `input`, its channels laid out from its identifiers: a layout DSF cannot
// name throws exception_io before anything is written.
void write_dsf(const dsdiff_file& input, const dsd_byte_range& range, std::span<const std::uint8_t> id3_tag,
               byte_sink& out, abort_signal& abort);
