// What the program asks the OS about its standard error. The OS calls live in
// process_info_posix.cpp and process_info_win32.cpp.
#pragma once

#include <cstddef>

// True when standard error is a terminal (where a progress bar makes sense).
bool stderr_is_terminal();
// The width of that terminal in columns, now (it may change while the program runs); 80
// when it cannot be told.
std::size_t stderr_terminal_width();
