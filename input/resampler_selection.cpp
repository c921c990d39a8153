#include "input/resampler_selection.h"

service_ptr_t<resampler_provider> select_resampler_provider(service_registry& registry, std::uint32_t source_rate,
                                                            std::uint32_t destination_rate)
{
    service_ptr_t<resampler_provider> best;
    float best_priority = 0.0f;
    enumerate_services<resampler_provider>(
        registry,
        [&](const service_ptr_t<resampler_provider>& provider) {
            if (source_rate != 0 && !provider->is_conversion_supported(source_rate, destination_rate)) return true;
            const float priority = provider->get_priority();
            if (best.is_empty() || priority > best_priority) {
                best = provider;
                best_priority = priority;
            }
            return true;
        },
        dsp_entry::class_guid);
    return best;
}

service_ptr_t<dsp_instance> create_resampler(service_registry* registry, std::uint32_t source_rate, std::uint32_t destination_rate)
{
    service_ptr_t<dsp_instance> instance;
    if (!registry) return instance;
    const service_ptr_t<resampler_provider> provider = select_resampler_provider(*registry, source_rate, destination_rate);
    if (provider.is_empty()) return instance;
    dsp_preset preset;
    if (!provider->create_preset(preset, destination_rate, 0.0f)) return instance;
    if (!provider->instantiate(instance, preset)) instance.release();
    return instance;
}
