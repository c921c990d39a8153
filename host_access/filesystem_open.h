// Opens a path through the host's file systems.
#pragma once

#include "host/filesystem.h"

// The first file system that accepts `path` opens it; none throws
// exception_io_no_handler_for_path ("Invalid path").
service_ptr_t<file> filesystem_g_open(const char* path, filesystem::open_mode mode, abort_signal& abort);
