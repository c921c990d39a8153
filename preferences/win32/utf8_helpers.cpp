#include "preferences/win32/utf8_helpers.h"

#include "preferences/win32/utf16.h"
#include "host/string8.h"

#include <iterator>

LRESULT uSendMessageText(HWND window, UINT message, WPARAM wparam, const char* text)
{
    const wide_string wide = utf8_to_wide(text ? text : "");
    return SendMessageW(window, message, wparam, reinterpret_cast<LPARAM>(wide.c_str()));
}

bool uGetWindowText(HWND window, string_base& out)
{
    // A length of 0 is either an empty text or a failure; the error code tells which.
    SetLastError(0);
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        if (GetLastError() != 0) return false;
        set_string(out, "");
        return true;
    }
    wide_string buffer(static_cast<std::size_t>(length) + 1, WCHAR{});
    const int got = GetWindowTextW(window, buffer.data(), length + 1);
    buffer.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    set_string(out, wide_to_utf8(buffer));
    return true;
}

bool uSetWindowText(HWND window, const char* text)
{
    const wide_string wide = utf8_to_wide(text ? text : "");
    return SetWindowTextW(window, wide.c_str()) != FALSE;
}

bool uAppendMenu(HMENU menu, UINT flags, UINT_PTR id, const char* text)
{
    const wide_string wide = utf8_to_wide(text ? text : "");
    return AppendMenuW(menu, flags, id, wide.c_str()) != FALSE;
}

bool uFormatSystemErrorMessage(string_base& out, DWORD code)
{
    WCHAR buffer[1024];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
    if (length == 0) return false;
    std::basic_string_view<WCHAR> text(buffer, length);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    set_string(out, wide_to_utf8(text));
    return true;
}
