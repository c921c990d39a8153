// What every read-only file of our host answers alike, the read position among it.
#pragma once

#include "host/file.h"

#include <cstdint>

class read_only_file : public file {
public:
    std::uint64_t get_position(abort_signal& abort) override;
    void seek(std::uint64_t position, abort_signal& abort) override;
    bool can_seek() override { return true; }
    void reopen(abort_signal& abort) override;

    void write(const void*, std::size_t, abort_signal&) override { throw exception_io_denied(); }
    void resize(std::uint64_t, abort_signal&) override { throw exception_io_denied(); }
    bool get_content_type(string_base&) override { return false; }
    bool is_remote() override { return false; }
    void on_idle(abort_signal&) override {}
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;

protected:
    // The next byte to read; reads advance it.
    std::uint64_t position_ = 0;
};
