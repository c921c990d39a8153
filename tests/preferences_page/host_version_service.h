// The host's version service as the tests' registries offer it.
#pragma once

#include "host/preferences_page.h"
#include "qvxhost/player/service_registry_impl.h"
#include "host/service_impl.h"

class host_version_impl : public core_version_info {
public:
    static constexpr const char* version = "2.1.4";
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return answer_query<core_version_info>(this, out, wanted);
    }
    const char* get_version_string() override { return version; }
};

// A registry with `count` version services.
inline void add_version_services(service_registry_impl& registry, int count)
{
    for (int i = 0; i < count; ++i)
        registry.add_object(core_version_info::class_guid, make_service<host_version_impl>());
}
