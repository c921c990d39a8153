#include "qvxhost/converter/process_info.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// _isatty is true for any character device, the null device too: `2>NUL` would get a progress
// bar written to nowhere. Only a console has a console mode.
bool stderr_is_terminal()
{
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

std::size_t stderr_terminal_width()
{
    CONSOLE_SCREEN_BUFFER_INFO console{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &console)) return 80;
    const int columns = console.srWindow.Right - console.srWindow.Left + 1;
    return columns > 0 ? static_cast<std::size_t>(columns) : 80;
}
