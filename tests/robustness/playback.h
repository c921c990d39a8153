// Playing files the way the player does, for the robustness tests: a host
// registry with a resampler provider, opening through the input entry,
// decoding a whole file into one sample vector.
#pragma once

#include "host_access/core_api.h"
#include "dsdiff_writer.h"
#include "input/input_entry_impl.h"
#include "preferences/settings.h"
#include "qvxhost/player/abort_signal_impl.h"
#include "tests/doubles/memory_file.h"
#include "qvxhost/player/service_registry_impl.h"
#include "qvxhost/player/soxr_resampler.h"
#include "qvxhost/player/track_info_impl.h"
#include "host/audio_chunk_impl.h"
#include "host/service_impl.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace robustness {

using dsdiff_writer::bytes;

// Everything one playback delivered, chunk by chunk.
struct playback {
    std::vector<float> samples;
    std::vector<std::uint32_t> rates;
    std::uint64_t frames = 0;
    friend bool operator==(const playback&, const playback&) = default;
};

inline void append_chunk(playback& p, const audio_chunk& chunk)
{
    p.samples.insert(p.samples.end(), chunk.get_data(), chunk.get_data() + chunk.get_data_size());
    p.rates.push_back(chunk.get_sample_rate());
    p.frames += chunk.get_sample_count();
}

inline file_ptr memory_file(bytes image) { return make_service<memory_file_impl>(std::move(image)); }

inline service_ptr_t<input_decoder> open_decoder(input_entry& entry, file_ptr source, abort_signal& abort)
{
    service_ptr_t<input_decoder> decoder;
    entry.open_decoder(decoder, std::move(source), "test.dff", abort);
    decoder->start_decoding(0, 0, abort);
    return decoder;
}

inline playback drain(input_decoder& decoder, abort_signal& abort)
{
    playback p;
    audio_chunk_impl chunk;
    while (decoder.decode_next(chunk, abort)) append_chunk(p, chunk);
    return p;
}

inline bytes random_dsd(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

inline dsdiff_writer::stream_format format_of(unsigned channels, std::uint32_t rate = 2822400)
{
    dsdiff_writer::stream_format f;
    f.sample_rate = rate;
    f.channel_ids = dsdiff_writer::standard_channel_ids(channels);
    return f;
}

// The registry the component sees while a test runs, with our host's libsoxr
// resampler; the maximum-rate setting is restored afterwards.
class host_scope {
public:
    host_scope()
    {
        registry.add_object<dsp_entry>(dsp_entry::class_guid, make_service<soxr_resampler_provider_impl>());
        core_api::set_registry(&registry);
    }
    ~host_scope()
    {
        core_api::set_registry(nullptr);
        max_rate_setting = default_max_rate;
    }
    host_scope(const host_scope&) = delete;
    host_scope& operator=(const host_scope&) = delete;

    service_registry_impl registry;
    service_static_t<input_entry_impl> entry;
};

} // namespace robustness
