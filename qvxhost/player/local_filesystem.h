// The file system of local paths, and read-only files over the OS's files.
// The OS calls live in local_filesystem_posix.cpp and local_filesystem_win32.cpp.
#pragma once

#include "host/filesystem.h"

#include <string>

// Opens a local path (UTF-8) for reading. Missing or unreadable files throw
// exception_io naming the path and the system's reason; a path that may not
// be read, exception_io_denied.
file_ptr open_local_file(const std::string& path, abort_signal& abort);

// Accepts plain paths and "file://" paths; any other scheme ("http://") is not ours.
class local_filesystem_impl : public filesystem {
public:
    bool is_our_path(const char* path) override;
    // Only open_mode_read is allowed; others throw exception_io_denied.
    void open(service_ptr_t<file>& out, const char* path, open_mode mode, abort_signal& abort) override;
    bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) override;

    // The OS path of an accepted path: "file://" removed.
    static std::string local_path(const char* path);
};
