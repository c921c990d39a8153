// The fixed sizes of a DST decoder, derived from its channel count and rate factor.
#pragma once

#include <cstdint>

struct dst_geometry {
    static constexpr int max_channel_count = 127;  // the stream holds the count as a signed 8-bit value
    static constexpr int max_rate_factor = 512;    // 22579200 Hz; far beyond any DST stream in use
    static constexpr int max_filter_order = 128;
    static constexpr int max_ptable_length = 64;

    int channel_count = 0;                 // N
    std::int32_t bytes_per_channel = 0;    // (588 × F) / 8: one frame lasts 1/75 s
    std::int32_t bits_per_channel = 0;     // 8 × bytes_per_channel
    std::int32_t max_adata_bits = 0;       // 8 × N × bytes_per_channel: longest arithmetic code
    std::int32_t max_filters = 0;          // 2 × N
    std::int32_t max_ptables = 0;          // 2 × N

    // Throws std::runtime_error ("Unsupported channel count!", "Unsupported rate factor!")
    // outside 1..127 channels or rate factors 1..512.
    static dst_geometry make(int channel_count, int rate_factor);

    std::int32_t frame_bytes() const { return channel_count * bytes_per_channel; }
};
