// The host helper library's UTF-8 calls that the page uses: a thin layer over
// the Win32 wide-character calls.
#pragma once

#include "host/string_base.h"
#include "preferences/win32/win32_api.h"

// Sends a message whose LPARAM is a text, given in UTF-8.
LRESULT uSendMessageText(HWND window, UINT message, WPARAM wparam, const char* text);
// False (and `out` untouched) when the window's text cannot be read.
bool uGetWindowText(HWND window, string_base& out);
bool uSetWindowText(HWND window, const char* text);
bool uAppendMenu(HMENU menu, UINT flags, UINT_PTR id, const char* text);
// The system's text for an error code, without the trailing line break;
// false when the system has none.
bool uFormatSystemErrorMessage(string_base& out, DWORD code);
