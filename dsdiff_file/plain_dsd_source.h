// The sound data of a plain DSDIFF file, which is stored in the layout sources deliver.
#pragma once

#include "dsdiff_file/dsd_source.h"
#include "host/file.h"

class plain_dsd_source final : public dsd_source {
public:
    plain_dsd_source(service_ptr_t<file> sound_data, std::uint32_t channel_count, const dsd_byte_range& range);

    std::size_t read(std::span<std::uint8_t> out, abort_signal& abort) override;

private:
    service_ptr_t<file> sound_data_;
    std::uint64_t position_; // next byte per channel
};
