// A DSDIFF file read outside the component: the chunk tree, validated exactly as the
// component validates it, with the stream's facts, its audio (plain sound data or DST
// frames), its metadata and its top-level chunks for writers that copy them.
//
// Reads go through the host `file` interface only. One thread at a time; sources and
// writers made from a dsdiff_file borrow it and must not outlive it.
#pragma once

#include "dsdiff/stream_properties.h"
#include "dsdiff/validate.h"
#include "dsdiff_file/dsd_byte_range.h"
#include "dsdiff_file/dsdiff_marker.h"
#include "dsdiff_file/top_level_chunks.h"
#include "dsdiff_file/track_list.h"
#include "host/file.h"
#include "iff/iff_packet.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The texts of "DIIN"; each is absent when the file has no such chunk.
struct dsdiff_info {
    std::optional<std::string> emid;   // "EMID", the edited master's identifier
    std::optional<std::string> artist; // "DIAR"
    std::optional<std::string> title;  // "DITI"
};

class dsdiff_file {
public:
    // Reads the chunk tree from the start of `source` and validates it as the component
    // does: what the component refuses throws the same exception_io_data, and unknown
    // channel identifiers give the same console lines through `console`. Host errors
    // (exception_aborted among them) pass unchanged.
    dsdiff_file(service_ptr_t<file> source, abort_signal& abort, const console_line_sink& console);
    dsdiff_file(const dsdiff_file&) = delete;
    dsdiff_file& operator=(const dsdiff_file&) = delete;

    // The stream.
    const stream_properties& properties() const { return props_; }
    std::uint32_t sample_rate() const { return props_.sample_rate; }
    std::uint32_t channel_count() const { return props_.channel_count; }
    std::uint32_t channel_mask() const { return props_.channel_mask; }
    // "CHNL" identifiers in file order, e.g. "SLFT", "SRGT", "C   ", "LFE ", "LS  ", "RS  ".
    const std::vector<iff_stream::chunk_id>& channel_ids() const { return channel_ids_; }
    bool is_dst() const { return props_.is_dst; }
    std::uint32_t frame_count() const { return props_.frame_count; } // DST: as "FRTE" states it
    std::uint32_t frame_rate() const { return props_.frame_rate; }   // DST: 75
    // DSD samples per channel: for plain DSD the whole channel groups of the sound data,
    // for DST every "DSTF" frame present (the component plays them all, whatever "FRTE"
    // says) at its full length.
    std::uint64_t sample_count() const { return bytes_per_channel_ * 8; }
    std::uint64_t bytes_per_channel() const { return bytes_per_channel_; }
    dsd_byte_range whole() const { return {0, bytes_per_channel_}; }

    // Plain DSD: a reader over the "DSD " chunk's payload; empty for DST.
    const service_ptr_t<file>& sound_data() const { return props_.sound_reader; }

    // DST: bytes per channel that one frame decodes to, (588 × rate / 44100) / 8.
    std::uint32_t dst_frame_bytes_per_channel() const { return dst_frame_bytes_per_channel_; }
    // DST: the "DSTF" chunks of "DST ", in file order.
    std::size_t dst_frames_present() const { return dst_frames_.size(); }
    // DST: the bytes of frame `index` (0-based; "DSTC" and other chunks between frames do
    // not count) into `out`. A frame larger than any valid one throws exception_io_data
    // "DSTF chunk too large" before anything is read.
    void read_dst_frame(std::size_t index, std::vector<std::uint8_t>& out, abort_signal& abort) const;

    // The payload of the first "ID3 " chunk at the top level, else in "PROP"; nothing
    // when there is none. Throws exception_io_data for one over 64 MiB.
    std::optional<std::vector<std::uint8_t>> read_id3_tag(abort_signal& abort) const;
    const dsdiff_info& info() const { return info_; }
    // Every "MARK" chunk of "DIIN" that could be read, in file order.
    const std::vector<dsdiff_marker>& markers() const { return markers_; }
    // The tracks of the markers; the notes name every marker left out, malformed ones first.
    track_list tracks() const;

    // The top-level chunks in file order, containers with their children.
    std::span<const top_level_chunk> chunks() const { return chunks_; }

private:
    void read_channel_ids();
    void find_dst_frames();
    void read_diin(const iff_stream::iff_packet_container& diin);

    iff_stream::iff_packet_container root_;
    stream_properties props_;
    std::vector<iff_stream::chunk_id> channel_ids_;
    std::vector<top_level_chunk> chunks_;
    std::vector<const iff_stream::iff_packet_file*> dst_frames_; // nodes of root_
    std::uint32_t dst_frame_bytes_per_channel_ = 0;
    std::uint64_t bytes_per_channel_ = 0;
    dsdiff_info info_;
    std::vector<dsdiff_marker> markers_;
    std::vector<std::string> marker_notes_; // "MARK" chunks that could not be read
};
