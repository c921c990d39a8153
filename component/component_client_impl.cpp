#include "component/component_client_impl.h"

#include "host_access/core_api.h"
#include "component/service_factory.h"
#include "preferences/configuration_io.h"

service_factory_base*& factory_list_head() noexcept
{
    static constinit service_factory_base* head = nullptr;
    return head;
}

service_factory_base* component_client_impl::get_service_list() { return factory_list_head(); }

void component_client_impl::write_configuration(stream_writer& stream, abort_signal& abort) { ::write_configuration(stream, abort); }

void component_client_impl::read_configuration(stream_reader& stream, abort_signal& abort) { ::read_configuration(stream, abort); }

void component_client_impl::set_library_path(const char* full_path, const char* file_name) { core_api::set_library_path(full_path, file_name); }

void component_client_impl::services_ready(bool ready) { core_api::set_services_ready(ready); }
