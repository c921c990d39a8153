// The Win32 user-interface calls the preferences page makes. On Windows they
// are the system's own; elsewhere they come from a small model of ours with
// the same names and behaviour, so that the page can be built and tested on
// any platform. Page code includes this header and no OS header.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "preferences/win32/model/win32_model.h"
#endif

#include <string>

// Text in the wide form the W calls take (UTF-16).
using wide_string = std::basic_string<WCHAR>;
