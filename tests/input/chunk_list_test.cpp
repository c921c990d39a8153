// The resampler's chunk list and its pool of reusable chunks.
#include "input/dsp_chunk_list_impl.h"

#include <gtest/gtest.h>

namespace {

audio_chunk* add(dsp_chunk_list& list, std::size_t index, std::size_t floats)
{
    audio_chunk* c = list.insert_item(index, floats);
    c->set_data_size(floats);
    c->set_sample_rate(44100);
    c->set_channels(1, 4);
    c->set_sample_count(floats);
    return c;
}

} // namespace

TEST(dsp_chunk_list_impl, insert_clamps_the_index_and_get_item_checks_it)
{
    dsp_chunk_list_impl list;
    audio_chunk* a = add(list, 0, 10);
    audio_chunk* b = add(list, 99, 20);
    audio_chunk* c = add(list, 0, 30);
    EXPECT_EQ(list.get_count(), 3u);
    EXPECT_EQ(list.get_item(0), c);
    EXPECT_EQ(list.get_item(1), a);
    EXPECT_EQ(list.get_item(2), b);
    EXPECT_EQ(list.get_item(3), nullptr);
    list.remove_by_idx(7);
    EXPECT_EQ(list.get_count(), 3u);
}

TEST(dsp_chunk_list_impl, pool_hands_back_the_closest_size_reset)
{
    dsp_chunk_list_impl list;
    audio_chunk* small = add(list, 0, 100);
    audio_chunk* large = add(list, 1, 1000);
    audio_chunk* middle = add(list, 2, 500);
    list.remove_mask({true, true, true});
    EXPECT_EQ(list.get_count(), 0u);

    audio_chunk* reused = list.insert_item(0, 900);
    EXPECT_EQ(reused, large);
    EXPECT_EQ(reused->get_sample_rate(), 0u);
    EXPECT_EQ(reused->get_channels(), 0u);
    EXPECT_EQ(reused->get_channel_config(), 0u);
    EXPECT_EQ(reused->get_sample_count(), 0u);
    EXPECT_EQ(list.insert_item(1, 0), middle) << "no hint takes the last pooled chunk";
    EXPECT_EQ(list.insert_item(2, 1), small);
    EXPECT_NE(list.insert_item(3, 1), nullptr) << "an empty pool makes a new chunk";
}

TEST(dsp_chunk_list_impl, remove_mask_keeps_the_others_in_order)
{
    dsp_chunk_list_impl list;
    audio_chunk* a = add(list, 0, 1);
    add(list, 1, 2);
    audio_chunk* c = add(list, 2, 3);
    list.remove_mask({false, true});
    ASSERT_EQ(list.get_count(), 2u);
    EXPECT_EQ(list.get_item(0), a);
    EXPECT_EQ(list.get_item(1), c);
}
