// Size of one DST frame for a channel count and rate factor.
#pragma once

namespace dst_encoder {

struct frame_geometry {
    int channel_count = 0;
    int rate_factor = 0;       // DSD sample rate / 44100
    int bytes_per_channel = 0; // (588 * rate_factor) / 8
    int bits_per_channel = 0;
    int max_tables = 0;        // 2 * channel_count, for filters and probability tables alike
    long max_adata_bits = 0;   // 8 * channel_count * bytes_per_channel

    // Throws std::invalid_argument outside 1..127 channels or rate factors 1..512.
    frame_geometry(int channels, int rate);

    long frame_bytes() const { return static_cast<long>(channel_count) * bytes_per_channel; }
};

// Number of binary digits of v; 0 for v < 1. Field widths that depend on counts use it.
int bit_length(long v);

} // namespace dst_encoder
