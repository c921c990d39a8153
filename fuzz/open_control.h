// The first bytes of every input of fuzz_open: how the file that follows is
// played. Shared by the target and the seed-corpus generator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

namespace fuzz {

struct open_control {
    // decode_next calls before the seek (the seek happens at most once).
    std::uint8_t calls_before_seek = 1;
    // Seek target in hundredths of a second, two's complement; the two
    // extreme values stand for +infinity and NaN.
    std::int16_t seek_centiseconds = 50;
    // Which maximum output rate the player is set to (index into max_rates).
    std::uint8_t rate_choice = 0;
    // A read of the file fails at byte fault_position × 64 when not 0.
    std::uint8_t fault_position = 0;

    static constexpr std::size_t size = 5;

    // Mostly rates below the PCM rate, so that the resampler runs.
    static constexpr std::array<std::int32_t, 8> max_rates{44100, 88200, 48000, 8000, 176400, 96000, 384000, 2000000};

    std::int32_t max_rate() const { return max_rates[rate_choice % max_rates.size()]; }

    double seek_seconds() const
    {
        if (seek_centiseconds == std::numeric_limits<std::int16_t>::max()) return std::numeric_limits<double>::infinity();
        if (seek_centiseconds == std::numeric_limits<std::int16_t>::min()) return std::numeric_limits<double>::quiet_NaN();
        return seek_centiseconds / 100.0;
    }

    std::array<std::uint8_t, size> encode() const
    {
        const auto seek = static_cast<std::uint16_t>(seek_centiseconds);
        return {calls_before_seek, static_cast<std::uint8_t>(seek >> 8), static_cast<std::uint8_t>(seek), rate_choice,
                fault_position};
    }

    static open_control decode(std::span<const std::uint8_t, size> b)
    {
        open_control c;
        c.calls_before_seek = b[0];
        c.seek_centiseconds = static_cast<std::int16_t>(static_cast<std::uint16_t>(b[1] << 8 | b[2]));
        c.rate_choice = b[3];
        c.fault_position = b[4];
        return c;
    }
};

// fuzz_dst_frame inputs: channel count, rate factor (big-endian, 10 bits
// used), then the frame.
struct frame_control {
    static constexpr std::size_t size = 3;
    static std::array<std::uint8_t, size> encode(int channels, int rate_factor)
    {
        return {static_cast<std::uint8_t>(channels), static_cast<std::uint8_t>(rate_factor >> 8),
                static_cast<std::uint8_t>(rate_factor)};
    }
    static int channels(std::span<const std::uint8_t, size> b) { return b[0]; }
    static int rate_factor(std::span<const std::uint8_t, size> b) { return (b[1] << 8 | b[2]) & 0x3FF; }
};

} // namespace fuzz
