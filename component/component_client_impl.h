// The client object the export returns.
#pragma once

#include "host/component_client.h"

class component_client_impl final : public component_client {
public:
    std::uint32_t get_version() override { return interface_version; }
    service_factory_base* get_service_list() override;
    void write_configuration(stream_writer& stream, abort_signal& abort) override;
    void read_configuration(stream_reader& stream, abort_signal& abort) override;
    void set_library_path(const char* full_path, const char* file_name) override;
    void services_ready(bool ready) override;
    bool is_debug() override { return false; }
};
