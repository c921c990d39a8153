// What the decoding tests share: a host with a registry, decoders opened on
// byte images, decoding to the end, and the FIR as written for comparison.
#pragma once

#include "host_access/core_api.h"
#include "dsd2pcm/dsd_converter.h"
#include "input/input_entry_impl.h"
#include "memory_source.h"
#include "preferences/settings.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "qvxhost/player/service_registry_impl.h"
#include "host/audio_chunk_impl.h"

#include <gtest/gtest.h>

// The FIR run over each channel of interleaved `sound` from byte
// `first_byte_per_channel` on, each channel from a reset.
inline std::vector<float> reference_pcm(const std::vector<std::uint8_t>& sound, unsigned channels,
                                        std::size_t first_byte_per_channel = 0)
{
    const std::size_t frames = sound.size() / channels - first_byte_per_channel;
    std::vector<float> out(frames * channels);
    for (unsigned c = 0; c < channels; ++c) {
        dsd_converter converter;
        converter.convert_reference(sound.data() + first_byte_per_channel * channels + c, channels, out.data() + c, channels,
                                    static_cast<std::int32_t>(frames));
    }
    return out;
}

struct decoded {
    std::vector<float> samples;
    std::vector<std::size_t> chunk_frames;
    std::vector<std::uint32_t> rates;
};

// Maximum rate 1000000 unless a test sets another; no resampler registered.
class decoding_fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        core_api::set_registry(&registry);
        max_rate_setting = 1000000;
    }
    void TearDown() override
    {
        core_api::set_registry(nullptr);
        max_rate_setting = default_max_rate;
    }

    // Opened for decoding and started.
    service_ptr_t<input_decoder> open(const std::vector<std::uint8_t>& image)
    {
        service_ptr_t<input_decoder> decoder;
        entry.open_decoder(decoder, memory_source(image), "a.dff", abort);
        decoder->start_decoding(0, 0, abort);
        return decoder;
    }

    decoded drain(input_decoder& decoder, std::size_t max_calls = 100000)
    {
        decoded out;
        audio_chunk_impl chunk;
        for (std::size_t i = 0; i < max_calls && decoder.decode_next(chunk, abort); ++i) {
            out.samples.insert(out.samples.end(), chunk.get_data(), chunk.get_data() + chunk.get_data_size());
            out.chunk_frames.push_back(chunk.get_sample_count());
            out.rates.push_back(chunk.get_sample_rate());
        }
        return out;
    }

    abort_signal_impl abort;
    service_registry_impl registry;
    service_static_t<input_entry_impl> entry;
};
