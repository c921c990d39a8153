// Runs a frame through a decoder and records what happened: status, bytes, or the error text.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "dst/dst_frame_decoder.h"

struct dst_decode_result {
    int status = -1;                 // −1 when the frame threw
    std::string error;               // the message when it threw
    std::vector<std::uint8_t> out;   // the output buffer after the call
    std::int64_t code_bits_read = 0;
};

// out starts filled with `fill`, so an untouched buffer can be told apart.
inline dst_decode_result decode_with(dst_frame_decoder& decoder, const std::vector<std::uint8_t>& frame,
                                     dst_frame_decoder::reconstruction form = dst_frame_decoder::reconstruction::fast,
                                     std::uint8_t fill = 0x5A)
{
    dst_decode_result r;
    r.out.assign(static_cast<std::size_t>(decoder.geometry().frame_bytes()), fill);
    try {
        r.status = decoder.decode_frame(static_cast<std::uint32_t>(frame.size()), frame.data(), r.out.data(), form);
        r.code_bits_read = decoder.code_bits_read();
    } catch (const std::runtime_error& e) {
        r.error = e.what();
    }
    return r;
}

// The message a frame is rejected with, or "" when it decodes.
inline std::string decode_error(dst_frame_decoder& decoder, const std::vector<std::uint8_t>& frame)
{
    return decode_with(decoder, frame).error;
}
