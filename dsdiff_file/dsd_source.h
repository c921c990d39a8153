// Decoded DSD of a DSDIFF file, read in order over a range of its audio, in DSDIFF's
// layout whether the file is plain or DST: channel-interleaved bytes (byte k of channel
// c at k × N + c for N channels), the earliest sample in the most significant bit.
#pragma once

#include "dsdiff_file/dsd_byte_range.h"
#include "host/abort_signal.h"

#include <cstdint>
#include <memory>
#include <span>

class dsdiff_file;

class dsd_source {
public:
    virtual ~dsd_source() = default;

    // [owner's thread] Fills `out` from its start with the next whole channel groups (one
    // byte of every channel) of the range, as many as fit; returns the bytes written, a
    // multiple of the channel count, below what fits only at the range's end (0 there).
    // Throws exception_io_data for a fault in the file, naming where in the audio it lies.
    virtual std::size_t read(std::span<std::uint8_t> out, abort_signal& abort) = 0;

    std::uint32_t channel_count() const { return channel_count_; }
    const dsd_byte_range& range() const { return range_; }

protected:
    dsd_source(std::uint32_t channel_count, const dsd_byte_range& range) : channel_count_(channel_count), range_(range) {}

private:
    std::uint32_t channel_count_;
    dsd_byte_range range_;
};

// A source over `range` (bytes per channel, within file.whole(), else exception_bug_check)
// of `file`, which it borrows. Plain data is read in the caller's pieces; DST frames are
// decoded one at a time, so memory stays at one frame whatever the range. A DST stream
// that cannot be decoded (no "DSTF" chunk, a rate that is no multiple of 44100 Hz, a
// geometry the decoder refuses) throws exception_io_data here, as the component's
// decoding start does.
std::unique_ptr<dsd_source> make_dsd_source(const dsdiff_file& file, const dsd_byte_range& range);
