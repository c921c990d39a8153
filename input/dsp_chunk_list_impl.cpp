#include "input/dsp_chunk_list_impl.h"

audio_chunk* dsp_chunk_list_impl::get_item(std::size_t index) const { return index < chunks.size() ? chunks[index].get() : nullptr; }

void dsp_chunk_list_impl::remove_by_idx(std::size_t index)
{
    if (index >= chunks.size()) return;
    pool.push_back(std::move(chunks[index]));
    chunks.erase(chunks.begin() + static_cast<std::ptrdiff_t>(index));
}

void dsp_chunk_list_impl::remove_mask(const std::vector<bool>& mask)
{
    std::vector<std::unique_ptr<audio_chunk_impl>> kept;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (i < mask.size() && mask[i])
            pool.push_back(std::move(chunks[i]));
        else
            kept.push_back(std::move(chunks[i]));
    }
    chunks = std::move(kept);
}

std::unique_ptr<audio_chunk_impl> dsp_chunk_list_impl::take_from_pool(std::size_t hint_size)
{
    if (pool.empty()) return std::make_unique<audio_chunk_impl>();
    std::size_t best = pool.size() - 1;
    if (hint_size > 0) {
        best = 0;
        std::size_t best_distance = ~std::size_t{0};
        for (std::size_t i = 0; i < pool.size(); ++i) {
            const std::size_t size = pool[i]->get_data_size();
            const std::size_t distance = size > hint_size ? size - hint_size : hint_size - size;
            if (distance < best_distance) {
                best = i;
                best_distance = distance;
                if (distance == 0) break;
            }
        }
    }
    std::unique_ptr<audio_chunk_impl> chunk = std::move(pool[best]);
    pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(best));
    chunk->reset_format();
    return chunk;
}

audio_chunk* dsp_chunk_list_impl::insert_item(std::size_t index, std::size_t hint_size)
{
    if (index > chunks.size()) index = chunks.size();
    std::unique_ptr<audio_chunk_impl> chunk = take_from_pool(hint_size);
    audio_chunk* result = chunk.get();
    chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(index), std::move(chunk));
    return result;
}
