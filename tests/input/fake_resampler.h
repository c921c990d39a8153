// Resampler providers for tests: they record what the decoder asks of them.
#pragma once

#include "host/dsp.h"
#include "host/service_impl.h"

#include <cstdint>
#include <vector>

// What a fake_resampler saw: the flags of each run, the frames fed, flushes.
struct resampler_log {
    std::vector<std::uint32_t> run_flags;
    std::size_t frames_in = 0;
    int flushes = 0;
};

// Holds its input back for `hold_runs` runs, then emits everything it holds,
// every `step`-th frame, at the destination rate. End of stream emits what is left.
class fake_resampler : public dsp_instance_v2 {
public:
    fake_resampler(resampler_log& log_, std::uint32_t rate, int hold, std::size_t frame_step)
        : log(log_), destination_rate(rate), hold_runs(hold), step(frame_step)
    {
    }
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return query_interfaces<dsp_instance_v2, dsp_instance>(this, out, wanted);
    }
    void run(dsp_chunk_list& list, service_ptr_t<track_handle>& track, std::uint32_t flags) override;
    void run_abortable(dsp_chunk_list& list, service_ptr_t<track_handle>& track, std::uint32_t flags, abort_signal&) override
    {
        run(list, track, flags);
    }
    void flush() override
    {
        ++log.flushes;
        held.clear();
        runs_held = 0;
    }

private:
    resampler_log& log;
    std::uint32_t destination_rate;
    int hold_runs;
    std::size_t step;
    std::vector<float> held;
    std::uint32_t channels = 0, mask = 0;
    int runs_held = 0;
};

inline void fake_resampler::run(dsp_chunk_list& list, service_ptr_t<track_handle>&, std::uint32_t flags)
{
    log.run_flags.push_back(flags);
    while (list.get_count() > 0) {
        audio_chunk* in = list.get_item(0);
        channels = in->get_channels();
        mask = in->get_channel_config();
        log.frames_in += in->get_sample_count();
        held.insert(held.end(), in->get_data(), in->get_data() + in->get_data_size());
        list.remove_by_idx(0);
    }
    if (++runs_held <= hold_runs && !(flags & dsp_instance::flag_end_of_stream)) return;
    runs_held = 0;
    if (held.empty() || channels == 0) return;
    std::vector<float> out;
    const std::size_t frames = held.size() / channels;
    for (std::size_t f = 0; f < frames; f += step)
        for (std::uint32_t c = 0; c < channels; ++c) out.push_back(held[f * channels + c]);
    held.clear();
    audio_chunk* chunk = list.insert_item(0, out.size());
    chunk->set_data_size(out.size());
    std::copy(out.begin(), out.end(), chunk->get_data());
    chunk->set_sample_count(out.size() / channels);
    chunk->set_channels(channels, mask);
    chunk->set_sample_rate(destination_rate);
}

class fake_resampler_provider : public resampler_provider {
public:
    fake_resampler_provider(resampler_log& log_, float priority_, bool supports_, int hold = 0, std::size_t frame_step = 4)
        : log(log_), priority(priority_), supports(supports_), hold_runs(hold), step(frame_step)
    {
    }
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return query_interfaces<resampler_provider>(this, out, wanted);
    }
    bool instantiate(service_ptr_t<dsp_instance>& out, const dsp_preset& preset) override
    {
        ++instantiations;
        if (fail_instantiate) return false;
        out = make_service<fake_resampler>(log, preset_rate(preset), hold_runs, step);
        return true;
    }
    bool is_conversion_supported(std::uint32_t, std::uint32_t) override { return supports; }
    bool create_preset(dsp_preset& out, std::uint32_t destination_rate, float) override
    {
        out.data = {static_cast<std::uint8_t>(destination_rate), static_cast<std::uint8_t>(destination_rate >> 8),
                    static_cast<std::uint8_t>(destination_rate >> 16), static_cast<std::uint8_t>(destination_rate >> 24)};
        return true;
    }
    float get_priority() override { return priority; }

    bool fail_instantiate = false;
    int instantiations = 0;

private:
    static std::uint32_t preset_rate(const dsp_preset& p)
    {
        return p.data[0] | p.data[1] << 8 | p.data[2] << 16 | static_cast<std::uint32_t>(p.data[3]) << 24;
    }
    resampler_log& log;
    float priority;
    bool supports;
    int hold_runs;
    std::size_t step;
};
