// Finding and instantiating the host's best resampler for a rate pair.
#pragma once

#include "host/dsp.h"
#include "host/service_registry.h"

#include <cstdint>

// The provider with the highest priority among those that accept
// (source_rate, destination_rate); equal priorities keep the first found.
// Empty when there is none.
service_ptr_t<resampler_provider> select_resampler_provider(service_registry& registry, std::uint32_t source_rate,
                                                            std::uint32_t destination_rate);

// A resampler instance from the selected provider; empty on any failure.
service_ptr_t<dsp_instance> create_resampler(service_registry* registry, std::uint32_t source_rate, std::uint32_t destination_rate);
