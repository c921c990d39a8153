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

    // [host's main thread] interface_version. Never throws.
    virtual std::uint32_t get_version() = 0;
    // [host's main thread] Head of the factory list, owned by the component for its whole life. Never throws.
    virtual service_factory_base* get_service_list() = 0;
    // [host's main thread] The component's whole configuration as records; throws what the stream throws.
    virtual void write_configuration(stream_writer& stream, abort_signal& abort) = 0;
    // [host's main thread] Reads records until the stream ends; throws what the stream throws.
    virtual void read_configuration(stream_reader& stream, abort_signal& abort) = 0;
    // [host's main thread] Both UTF-8, copied: the library's full path and its file name. Never throws.
    virtual void set_library_path(const char* full_path, const char* file_name) = 0;
    // [host's main thread] Whether the host's services may be called now. Never throws.
    virtual void services_ready(bool ready) = 0;
    // [any thread] Never throws.
    virtual bool is_debug() = 0;

protected:
    ~component_client() = default;
};

extern "C" {
// The component library's only export. Never throws.
typedef component_client* (*quorvex_get_interface_t)(service_registry* registry, void* module_instance);
}

inline constexpr const char* quorvex_entry_point_name = "quorvex_get_interface";
