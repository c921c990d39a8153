// The chunk list our host hands to a DSP run: chunks it owns, in order.
#pragma once

#include "host/dsp.h"
#include "host/audio_chunk_impl.h"

#include <memory>
#include <vector>

class audio_chunk_list_impl final : public dsp_chunk_list {
public:
    std::size_t get_count() const override { return chunks_.size(); }
    audio_chunk* get_item(std::size_t index) const override;
    void remove_by_idx(std::size_t index) override;
    void remove_mask(const std::vector<bool>& mask) override;
    audio_chunk* insert_item(std::size_t index, std::size_t hint_size) override;

    // Appends a chunk holding `samples` (interleaved) in the given format.
    audio_chunk& add(const std::vector<float>& samples, std::uint32_t rate, std::uint32_t channels,
                     std::uint32_t mask);
    void clear() { chunks_.clear(); }

private:
    std::vector<std::unique_ptr<audio_chunk_impl>> chunks_;
};
