// The chunk list handed to a resampler for one call, with a pool of removed
// chunks for reuse.
#pragma once

#include "host/dsp.h"
#include "host/audio_chunk_impl.h"

#include <memory>
#include <vector>

class dsp_chunk_list_impl final : public dsp_chunk_list {
public:
    std::size_t get_count() const override { return chunks.size(); }
    audio_chunk* get_item(std::size_t index) const override;
    void remove_by_idx(std::size_t index) override;
    void remove_mask(const std::vector<bool>& mask) override;
    audio_chunk* insert_item(std::size_t index, std::size_t hint_size) override;

private:
    std::unique_ptr<audio_chunk_impl> take_from_pool(std::size_t hint_size);

    std::vector<std::unique_ptr<audio_chunk_impl>> chunks;
    std::vector<std::unique_ptr<audio_chunk_impl>> pool;
};
