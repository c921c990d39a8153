// One DST frame through decode_frame, for a channel count and rate factor
// taken from the input (see frame_control in open_control.h). Besides the
// sanitizers it checks what callers rely on: the fast reconstruction equals
// the reference form byte for byte, decoding the same frame again gives the
// same bytes, and a frame whose code ends wrongly leaves the output untouched.
#include "dst/dst_frame_decoder.h"
#include "open_control.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

constexpr std::uint8_t untouched = 0xA5;

// Status and output of one decode; thrown errors give status -1.
struct result {
    int status;
    std::vector<std::uint8_t> out;
    bool operator==(const result&) const = default;
};

result decode(dst_frame_decoder& decoder, const std::vector<std::uint8_t>& frame, dst_frame_decoder::reconstruction form)
{
    result r{0, std::vector<std::uint8_t>(static_cast<std::size_t>(decoder.geometry().frame_bytes()), untouched)};
    try {
        r.status = decoder.decode_frame(static_cast<std::uint32_t>(frame.size()), frame.data(), r.out.data(), form);
    } catch (const std::runtime_error&) {
        r.status = -1;
    }
    if (r.status != 0)
        for (std::uint8_t b : r.out) require(b == untouched);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < fuzz::frame_control::size) return 0;
    const std::span<const std::uint8_t, fuzz::frame_control::size> control(data, fuzz::frame_control::size);
    const std::vector<std::uint8_t> frame(data + fuzz::frame_control::size, data + size);

    dst_frame_decoder decoder;
    try {
        decoder.create(fuzz::frame_control::channels(control), fuzz::frame_control::rate_factor(control));
    } catch (const std::runtime_error&) {
        return 0;
    }
    const result fast = decode(decoder, frame, dst_frame_decoder::reconstruction::fast);
    require(decode(decoder, frame, dst_frame_decoder::reconstruction::fast) == fast);
    require(decode(decoder, frame, dst_frame_decoder::reconstruction::reference) == fast);
    return 0;
}
