// A read-only file that shows the byte range [begin, end) of another file.
#pragma once

#include "host/file.h"

#include <cstdint>

// Made with make_service (host/service_impl.h), which counts its references.
class reader_limited_v2 : public file {
public:
    // Takes a counted reference to `base`; the position starts at `begin`.
    reader_limited_v2(service_ptr_t<file> base, std::uint64_t begin, std::uint64_t end) noexcept;

    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;

    // Moves the base to this reader's position first, so that several readers
    // over one base may be read alternately.
    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override;
    void write(const void* buffer, std::size_t bytes, abort_signal& abort) override;
    std::uint64_t get_size(abort_signal& abort) override;
    std::uint64_t get_position(abort_signal& abort) override;
    void resize(std::uint64_t size, abort_signal& abort) override;
    // No bounds check: reading at or past the end yields nothing.
    void seek(std::uint64_t position, abort_signal& abort) override;
    bool can_seek() override;
    bool get_content_type(string_base& out) override;
    bool is_remote() override;
    std::uint64_t get_timestamp(abort_signal& abort) override;
    void reopen(abort_signal& abort) override;
    void on_idle(abort_signal& abort) override;

protected:
    // Deleted only by its last release.
    ~reader_limited_v2() = default;

private:
    service_ptr_t<file> base;
    std::uint64_t begin;
    std::uint64_t end;
    std::uint64_t position; // as a position of `base`; never below `begin`
};
