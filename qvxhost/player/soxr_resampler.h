// Our host's resampler: a resampler provider backed by libsoxr (high quality,
// 32-bit float interleaved). Register it under dsp_entry::class_guid.
#pragma once

#include "host/dsp.h"

#include <cstdint>

class soxr_resampler_provider_impl : public resampler_provider {
public:
    // Marks presets made by this provider; the preset bytes hold the
    // destination rate, 4 bytes little-endian.
    static constexpr guid preset_owner = make_guid("6C1E4A52-93D0-4F6B-8A27-5E0B7D3C9F14");

    explicit soxr_resampler_provider_impl(float priority = 1.0f) : priority_(priority) {}

    // False for a preset this provider did not make.
    bool instantiate(service_ptr_t<dsp_instance>& out, const dsp_preset& preset) override;
    // Any two non-zero rates at most 256 times apart.
    bool is_conversion_supported(std::uint32_t source_rate, std::uint32_t destination_rate) override;
    bool create_preset(dsp_preset& out, std::uint32_t destination_rate, float quality_scale) override;
    float get_priority() override { return priority_; }
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;

private:
    float priority_;
};
