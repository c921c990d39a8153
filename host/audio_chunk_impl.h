// An audio_chunk that owns its samples; used on both sides of the boundary.
#pragma once

#include "host/audio_chunk.h"

#include <vector>

class audio_chunk_impl final : public audio_chunk {
public:
    float* get_data() override { return data_.data(); }
    const float* get_data() const override { return data_.data(); }
    std::size_t get_data_size() const override { return data_.size(); }
    void set_data_size(std::size_t floats) override { data_.resize(floats); }

    std::uint32_t get_sample_rate() const override { return sample_rate_; }
    void set_sample_rate(std::uint32_t rate) override { sample_rate_ = rate; }
    std::uint32_t get_channels() const override { return channels_; }
    std::uint32_t get_channel_config() const override { return channel_mask_; }
    void set_channels(std::uint32_t count, std::uint32_t mask) override
    {
        channels_ = count;
        channel_mask_ = mask;
    }
    std::size_t get_sample_count() const override { return sample_count_; }
    void set_sample_count(std::size_t samples) override { sample_count_ = samples; }

    // Clears the description but keeps the storage for reuse.
    void reset_format()
    {
        sample_count_ = 0;
        channels_ = 0;
        channel_mask_ = 0;
        sample_rate_ = 0;
    }

private:
    std::vector<float> data_;
    std::uint32_t sample_rate_ = 0;
    std::uint32_t channels_ = 0;
    std::uint32_t channel_mask_ = 0;
    std::size_t sample_count_ = 0;
};
