#include "qvxhost/player/shared_library.h"

#include "qvxhost/player/windows_text.h"
#include "util/exceptions.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

const char* const shared_library_suffix = ".dll";

shared_library::shared_library(const std::string& path) : path_(path)
{
    // Dependencies are looked for beside the library first, as the player does.
    const std::wstring wide = utf8_to_utf16(path);
    HMODULE module = LoadLibraryExW(wide.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr)
        throw exception_io("Cannot load component: " + path + ": " + windows_error_text(GetLastError()));
    handle_ = module;
}

shared_library::~shared_library() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* shared_library::symbol(const char* name) const
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}
