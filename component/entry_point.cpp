// The library's only export, and the static registration of its services.
#include "component/component_client_impl.h"
#include "host_access/core_api.h"
#include "component/identity_services.h"
#include "component/service_factory.h"
#include "input/input_entry_impl.h"
#include "preferences/preferences_page_myimpl.h"

#if defined(_WIN32)
#define QVX_EXPORT __declspec(dllexport)
#else
#define QVX_EXPORT __attribute__((visibility("default")))
#endif

namespace {

struct input_entry_service : input_entry_impl {
    using service_class = input_entry;
};

// Registered as a plain preferences_page; the page answers the later versions too.
struct preferences_page_service : preferences_page_myimpl {
    static constexpr guid class_guid = preferences_page::class_guid;
};

// Registered in this order, each at the head of the list: the host meets
// them in reverse, the installation validator first.
service_factory_single_t<input_entry_service> input_entry_factory;
service_factory_single_t<preferences_page_service> preferences_page_factory;
service_static_t<input_file_type_impl> file_type_service;
service_factory_single_ref_t<service_static_t<input_file_type_impl>> file_type_factory(file_type_service);
service_factory_single_t<componentversion_myimpl> version_factory;
service_factory_single_t<component_installation_validator_filename> validator_factory;

component_client_impl client;

} // namespace

extern "C" QVX_EXPORT component_client* quorvex_get_interface(service_registry* registry, void*)
{
    core_api::set_registry(registry);
    return &client;
}
