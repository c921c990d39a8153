// Errors of Win32 calls as exception_win32.
#pragma once

#include "preferences/win32/win32_api.h"
#include "util/exceptions.h"

// The system's text for `code`; "Undefined error" for 0, "Unknown error code (N)"
// when the system has no text.
std::string system_error_text(DWORD code);

inline exception_win32 make_exception_win32(DWORD code) { return exception_win32(code, system_error_text(code)); }
