#include "tests/doubles/audio_chunk_list.h"

#include <algorithm>

audio_chunk* audio_chunk_list_impl::get_item(std::size_t index) const
{
    return index < chunks_.size() ? chunks_[index].get() : nullptr;
}

void audio_chunk_list_impl::remove_by_idx(std::size_t index)
{
    if (index < chunks_.size()) chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(index));
}

void audio_chunk_list_impl::remove_mask(const std::vector<bool>& mask)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < chunks_.size(); ++i)
        if (i >= mask.size() || !mask[i]) chunks_[kept++] = std::move(chunks_[i]);
    chunks_.resize(kept);
}

audio_chunk* audio_chunk_list_impl::insert_item(std::size_t index, std::size_t hint_size)
{
    auto chunk = std::make_unique<audio_chunk_impl>();
    chunk->set_data_size(hint_size);
    chunk->set_data_size(0);
    audio_chunk* result = chunk.get();
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(std::min(index, chunks_.size())), std::move(chunk));
    return result;
}

audio_chunk& audio_chunk_list_impl::add(const std::vector<float>& samples, std::uint32_t rate,
                                        std::uint32_t channels, std::uint32_t mask)
{
    audio_chunk& chunk = *insert_item(chunks_.size(), samples.size());
    chunk.set_data_size(samples.size());
    std::copy(samples.begin(), samples.end(), chunk.get_data());
    chunk.set_sample_rate(rate);
    chunk.set_channels(channels, mask);
    chunk.set_sample_count(channels ? samples.size() / channels : 0);
    return chunk;
}
