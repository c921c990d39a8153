// Encodes one frame of channel-interleaved DSD (byte k of channel c at
// k * N + c, earliest bit most significant) into one DST frame, the payload of
// a "DSTF" chunk.
#pragma once

#include "dst_encoder/encoder_options.h"
#include "dst_encoder/frame_geometry.h"

#include <cstdint>
#include <span>
#include <vector>

namespace dst_encoder {

// What the last frame became, for reports and tests.
struct frame_summary {
    bool plain = false;
    std::size_t bytes = 0;
    long header_bits = 0; // everything before the arithmetic code
    long code_bits = 0;   // the arithmetic code as the decoder measures it (to the frame's end)
    int filter_count = 0;
    int ptable_count = 0;
};

class frame_encoder {
public:
    // Throws std::invalid_argument for a geometry no frame can have.
    frame_encoder(int channel_count, int rate_factor);

    const frame_geometry& geometry() const { return geometry_; }

    // `interleaved` must hold exactly N x bytes_per_channel bytes (std::invalid_argument otherwise).
    std::vector<std::uint8_t> encode(std::span<const std::uint8_t> interleaved, const encoder_options& options);
    const frame_summary& last_frame() const { return summary_; }

private:
    std::vector<std::uint8_t> plain_frame(std::span<const std::uint8_t> interleaved);

    frame_geometry geometry_;
    frame_summary summary_;
    std::vector<std::int32_t> predictions_; // N x bits_per_channel, channel-major
};

std::vector<std::uint8_t> encode_frame(std::span<const std::uint8_t> interleaved, int channel_count, int rate_factor,
                                       const encoder_options& options);

} // namespace dst_encoder
