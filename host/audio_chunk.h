// A block of decoded audio: interleaved 32-bit float samples. Owned by whoever passes it;
// used by one thread at a time. Only the setters throw: std::bad_alloc, and
// exception_not_implemented on a read-only chunk.
#pragma once

#include <cstddef>
#include <cstdint>

class audio_chunk {
public:
    // [user's thread] Storage of get_data_size() floats, owned by the chunk, valid until its size changes.
    virtual float* get_data() = 0;
    // [user's thread] The same, read-only.
    virtual const float* get_data() const = 0;
    // [user's thread] Floats, not frames.
    virtual std::size_t get_data_size() const = 0;
    // [user's thread] Resizes the storage to `floats`; the content is undefined afterwards.
    virtual void set_data_size(std::size_t floats) = 0;

    // [user's thread] Hz.
    virtual std::uint32_t get_sample_rate() const = 0;
    // [user's thread] Hz.
    virtual void set_sample_rate(std::uint32_t rate) = 0;
    // [user's thread] Channel count.
    virtual std::uint32_t get_channels() const = 0;
    // [user's thread] Channel mask, bit i for speaker position i.
    virtual std::uint32_t get_channel_config() const = 0;
    // [user's thread] Channel count and mask.
    virtual void set_channels(std::uint32_t count, std::uint32_t mask) = 0;
    // [user's thread] Frames: one sample per channel.
    virtual std::size_t get_sample_count() const = 0;
    // [user's thread] Frames.
    virtual void set_sample_count(std::size_t samples) = 0;

protected:
    ~audio_chunk() = default;
};
