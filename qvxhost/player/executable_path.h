// Where the running program lies, so that the component is found beside it as the
// player finds its components. The OS calls live in executable_path_posix.cpp and
// executable_path_win32.cpp.
#pragma once

#include <string>

// Full path of the running executable (UTF-8); throws exception_io when the OS cannot tell.
std::string executable_path();
