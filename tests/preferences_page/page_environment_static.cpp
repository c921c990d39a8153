// The component linked into the test program.
#include "host_version_service.h"
#include "page_environment.h"

#include "preferences/win32/own_module.h"

extern "C" component_client* quorvex_get_interface(service_registry* registry, void* module_instance);

namespace {
service_registry_impl& standard_registry()
{
    static service_registry_impl registry;
    static const bool filled = (add_version_services(registry, 1), true);
    (void)filled;
    return registry;
}
} // namespace

component_client& test_client()
{
    static component_client* client = quorvex_get_interface(&standard_registry(), nullptr);
    return *client;
}

void give_registry(service_registry* registry)
{
    test_client(); // set up with the standard registry first, so that this one stays
    quorvex_get_interface(registry ? registry : &standard_registry(), nullptr);
}

HINSTANCE page_module() { return own_module_instance(); }
