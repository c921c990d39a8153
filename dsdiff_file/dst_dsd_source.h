// The DST frames of a DSDIFF file, decoded one at a time with the DST frame decoder.
#pragma once

#include "dsdiff_file/dsd_source.h"
#include "dst/dst_frame_decoder.h"

#include <cstddef>
#include <string>
#include <vector>

class dst_dsd_source final : public dsd_source {
public:
    // Throws exception_io_data for a stream the decoder cannot take (see make_dsd_source).
    dst_dsd_source(const dsdiff_file& file, const dsd_byte_range& range);

    // A frame that fails to decode (a malformed frame, or an arithmetic code that does not
    // end as required) throws exception_io_data naming the frame, the time of its start and
    // the decoder's message.
    std::size_t read(std::span<std::uint8_t> out, abort_signal& abort) override;

private:
    void decode(std::size_t frame, abort_signal& abort);
    std::string where(std::size_t frame) const;

    const dsdiff_file& file_;
    dst_frame_decoder decoder_;
    std::uint64_t frame_bytes_per_channel_;
    std::vector<std::uint8_t> frame_;       // the current frame as stored
    std::vector<std::uint8_t> decoded_;     // its DSD: N × frame_bytes_per_channel_
    std::size_t decoded_frame_ = ~std::size_t{0};
    std::uint64_t position_;                // next byte per channel
};
