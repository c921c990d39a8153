// An open shared library; closed when the handle goes. The OS calls live in
// shared_library_posix.cpp and shared_library_win32.cpp.
#pragma once

#include <string>

// The file-name suffix of shared libraries on this system: ".so" or ".dll".
extern const char* const shared_library_suffix;

class shared_library {
public:
    // Throws exception_io with the loader's reason when the library cannot be loaded.
    explicit shared_library(const std::string& path);
    ~shared_library();
    shared_library(const shared_library&) = delete;
    shared_library& operator=(const shared_library&) = delete;

    // Null when the library does not export `name`.
    void* symbol(const char* name) const;
    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
    void* handle_;
};
