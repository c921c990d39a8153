#include "dst_encoder/frame_geometry.h"

#include <stdexcept>

namespace dst_encoder {

frame_geometry::frame_geometry(int channels, int rate)
    : channel_count(channels), rate_factor(rate)
{
    if (channels < 1 || channels > 127) throw std::invalid_argument("DST frames carry 1 to 127 channels");
    if (rate < 1 || rate > 512) throw std::invalid_argument("DST rate factor out of range");
    bytes_per_channel = 588 * rate / 8;
    bits_per_channel = 8 * bytes_per_channel;
    max_tables = 2 * channels;
    max_adata_bits = 8L * channels * bytes_per_channel;
}

int bit_length(long v)
{
    int bits = 0;
    while (v > 0) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

} // namespace dst_encoder
