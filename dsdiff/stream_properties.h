// What validation learns about a DSDIFF stream.
#pragma once

#include "host/file.h"

#include <cstdint>

struct stream_properties {
    bool is_dst = false;
    std::uint32_t sample_rate = 0;   // DSD rate in Hz, e.g. 2822400
    std::uint32_t channel_count = 0;
    std::uint32_t channel_mask = 0;  // speaker-position bits of all channels
    service_ptr_t<file> sound_reader; // plain DSD: the "DSD " payload
    std::uint32_t frame_count = 0;   // DST: from "FRTE"
    std::uint32_t frame_rate = 0;    // DST: from "FRTE", always 75
};
