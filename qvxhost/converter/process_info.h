// What the program asks the OS about its own process. The OS calls live in
// process_info_posix.cpp.
#pragma once

#include <string>

// Full path of the running executable; throws exception_io when the OS cannot tell.
std::string executable_path();
// True when standard error is a terminal (where a progress bar makes sense).
bool stderr_is_terminal();
