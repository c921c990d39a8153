// A DSDIFF file opened for dsttool: the chunk tree, its validated properties,
// the channel identifiers, and the way to its sound data or DST frames.
#pragma once

#include "dsdiff/stream_properties.h"
#include "iff/iff_packet.h"
#include "qvxhost/player/abort_signal_impl.h"

#include <cstdint>
#include <string>
#include <vector>

class dsdiff_input {
public:
    // Throws the component's errors (exception_io_data and family) for a file it rejects.
    explicit dsdiff_input(const std::string& path);

    const stream_properties& properties() const { return props_; }
    const std::vector<std::string>& channel_ids() const { return channel_ids_; }
    // DSD rate / 44100; throws std::runtime_error when below 1 or the file has no channels.
    int rate_factor() const;

    // Plain DSD: reads up to `bytes` sound bytes into `out`; returns how many.
    std::size_t read_sound(std::uint8_t* out, std::size_t bytes);

    // DST: the "DSTF" frame nodes in file order.
    std::vector<const iff_stream::iff_packet_file*> frames() const;
    // Reads a whole frame; throws std::runtime_error when it exceeds `limit` bytes.
    std::vector<std::uint8_t> read_frame(const iff_stream::iff_packet_file& frame, std::uint64_t limit);

private:
    abort_signal_impl abort_;
    iff_stream::iff_packet_container root_;
    stream_properties props_;
    std::vector<std::string> channel_ids_;
};
