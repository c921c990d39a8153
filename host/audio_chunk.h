// A block of decoded audio: interleaved 32-bit float samples.
#pragma once

#include <cstddef>
#include <cstdint>

class audio_chunk {
public:
    // Writable storage of get_data_size() floats.
    virtual float* get_data() = 0;
    virtual const float* get_data() const = 0;
    // Sizes count floats, not frames.
    virtual std::size_t get_data_size() const = 0;
    virtual void set_data_size(std::size_t floats) = 0;

    virtual std::uint32_t get_sample_rate() const = 0;
    virtual void set_sample_rate(std::uint32_t rate) = 0;
    virtual std::uint32_t get_channels() const = 0;
    virtual std::uint32_t get_channel_config() const = 0;
    virtual void set_channels(std::uint32_t count, std::uint32_t mask) = 0;
    // Frames: one sample per channel.
    virtual std::size_t get_sample_count() const = 0;
    virtual void set_sample_count(std::size_t samples) = 0;

protected:
    ~audio_chunk() = default;
};
