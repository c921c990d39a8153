// A read-only audio_chunk over samples owned elsewhere; lives for one call.
#pragma once

#include "host/audio_chunk.h"
#include "util/exceptions.h"

class audio_chunk_temp_impl_mod final : public audio_chunk {
public:
    audio_chunk_temp_impl_mod(const float* pcm, std::size_t sample_count, std::uint32_t sample_rate,
                              std::uint32_t channels, std::uint32_t channel_mask) noexcept
        : data(pcm), samples(sample_count), rate(sample_rate), channel_count(channels), mask(channel_mask)
    {
    }

    float* get_data() override { throw exception_not_implemented(); }
    const float* get_data() const override { return data; }
    std::size_t get_data_size() const override { return samples * channel_count; }
    void set_data_size(std::size_t) override { throw exception_not_implemented(); }
    std::uint32_t get_sample_rate() const override { return rate; }
    void set_sample_rate(std::uint32_t) override { throw exception_not_implemented(); }
    std::uint32_t get_channels() const override { return channel_count; }
    std::uint32_t get_channel_config() const override { return mask; }
    void set_channels(std::uint32_t, std::uint32_t) override { throw exception_not_implemented(); }
    std::size_t get_sample_count() const override { return samples; }
    void set_sample_count(std::size_t) override { throw exception_not_implemented(); }

    // Copies this view into a writable chunk: data, sample count, channels, rate.
    void copy_to(audio_chunk& out) const;

private:
    const float* data;
    std::size_t samples;
    std::uint32_t rate;
    std::uint32_t channel_count;
    std::uint32_t mask;
};

inline void audio_chunk_temp_impl_mod::copy_to(audio_chunk& out) const
{
    const std::size_t floats = get_data_size();
    out.set_data_size(floats);
    float* target = out.get_data();
    for (std::size_t i = 0; i < floats; ++i) target[i] = data[i];
    out.set_sample_count(samples);
    out.set_channels(channel_count, mask);
    out.set_sample_rate(rate);
}
