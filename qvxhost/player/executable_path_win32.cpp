#include "qvxhost/player/executable_path.h"

#include "qvxhost/player/windows_text.h"
#include "util/exceptions.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

std::string executable_path()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) throw exception_io("Cannot find the program's own path: " + windows_error_text(GetLastError()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return utf16_to_utf8(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}
