// File systems of the host; the first one that accepts a path opens it.
#pragma once

#include "host/file.h"

class filesystem : public service_base {
public:
    static constexpr guid class_guid = make_guid("2FBCE1E5-902E-49E0-B9CF-CE0FBA765348");

    enum open_mode : int { open_mode_read = 0 };

    // [any thread] Path is UTF-8. Never throws.
    virtual bool is_our_path(const char* path) = 0;
    // [any thread] Opens the path into `out`, which then holds the one reference; throws
    // exception_io and its kinds (exception_io_denied, ...), leaving `out` untouched.
    virtual void open(service_ptr_t<file>& out, const char* path, open_mode mode, abort_signal& abort) = 0;

protected:
    ~filesystem() = default;
};
