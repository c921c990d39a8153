// What the component's one export returns: the host's way into the component.
#pragma once

#include "host/abort_signal.h"
#include "host/file.h"
#include "host/service_factory.h"
#include "host/service_registry.h"

#include <cstdint>

class component_client {
public:
    static constexpr std::uint32_t interface_version = 76;

    virtual std::uint32_t get_version() = 0;
    virtual service_factory_base* get_service_list() = 0;
    // [host's main thread] The component's whole configuration as records.
    virtual void write_configuration(stream_writer& stream, abort_signal& abort) = 0;
    virtual void read_configuration(stream_reader& stream, abort_signal& abort) = 0;
    // Both UTF-8: the library's full path and its file name.
    virtual void set_library_path(const char* full_path, const char* file_name) = 0;
    virtual void services_ready(bool ready) = 0;
    virtual bool is_debug() = 0;

protected:
    ~component_client() = default;
};

extern "C" {
// The component library's only export. Never throws.
typedef component_client* (*quorvex_get_interface_t)(service_registry* registry, void* module_instance);
}

inline constexpr const char* quorvex_entry_point_name = "quorvex_get_interface";
