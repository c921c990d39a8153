// A file on disk opened without a host, for tools that read DSDIFF files by path: a
// read-only host `file` over a plain C++ stream, and an abort signal that never fires.
// Our host opens files through the player's file system instead (memory-mapped, faster).
#pragma once

#include "host/abort_signal.h"
#include "host/file.h"

#include <filesystem>

// Opens `path` for reading; throws exception_io naming it when it cannot.
service_ptr_t<file> open_file_on_disk(const std::filesystem::path& path);

// For work that nobody cancels.
abort_signal& never_aborted();
