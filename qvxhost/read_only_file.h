// What every read-only file of our host answers alike.
#pragma once

#include "host/file.h"

class read_only_file : public file {
public:
    void write(const void*, std::size_t, abort_signal&) override { throw exception_io_denied(); }
    void resize(std::uint64_t, abort_signal&) override { throw exception_io_denied(); }
    bool get_content_type(string_base&) override { return false; }
    bool is_remote() override { return false; }
    void on_idle(abort_signal&) override {}
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;
};
