// File systems of the host; the first one that accepts a path opens it.
#pragma once

#include "host/file.h"

class filesystem : public service_base {
public:
    static constexpr guid class_guid = make_guid("2FBCE1E5-902E-49E0-B9CF-CE0FBA765348");

    enum open_mode : int { open_mode_read = 0 };

    // [any thread] Path is UTF-8.
    virtual bool is_our_path(const char* path) = 0;
    // Opens the path; throws the file system's errors.
    virtual void open(service_ptr_t<file>& out, const char* path, open_mode mode, abort_signal& abort) = 0;

protected:
    ~filesystem() = default;
};
