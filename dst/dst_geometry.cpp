#include "dst/dst_geometry.h"

#include <stdexcept>

dst_geometry dst_geometry::make(int channel_count, int rate_factor)
{
    if (channel_count < 1 || channel_count > max_channel_count)
        throw std::runtime_error("Unsupported channel count!");
    if (rate_factor < 1 || rate_factor > max_rate_factor)
        throw std::runtime_error("Unsupported rate factor!");

    dst_geometry g;
    g.channel_count = channel_count;
    g.bytes_per_channel = (588 * rate_factor) / 8;
    g.bits_per_channel = 8 * g.bytes_per_channel;
    // At most 8 × 127 × 37632 bits: well inside 32 bits.
    g.max_adata_bits = 8 * channel_count * g.bytes_per_channel;
    g.max_filters = 2 * channel_count;
    g.max_ptables = 2 * channel_count;
    return g;
}
