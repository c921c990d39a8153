#include "qvxhost/player/shared_library.h"

#include "util/exceptions.h"

#include <dlfcn.h>

const char* const shared_library_suffix = ".so";

shared_library::shared_library(const std::string& path) : path_(path)
{
    // Bind everything now, so that a broken build fails here rather than mid-playback;
    // local, so that two builds of the component can be loaded side by side.
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = ::dlerror();
        // The loader's reason names the path itself.
        throw exception_io(std::string("Cannot load component: ") + (reason ? reason : path.c_str()));
    }
}

shared_library::~shared_library() { ::dlclose(handle_); }

void* shared_library::symbol(const char* name) const { return ::dlsym(handle_, name); }
