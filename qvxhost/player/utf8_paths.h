// Paths travel through our host as UTF-8 strings, as the component takes them.
// std::filesystem::path reads a plain string in the system's narrow code page
// on Windows, so every conversion between the two goes through here.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

std::filesystem::path path_from_utf8(const std::string& text);
std::string utf8_from_path(const std::filesystem::path& path);

// std::fopen for a UTF-8 path (the wide call on Windows); null with errno set on failure.
// The OS calls live in local_filesystem_posix.cpp and local_filesystem_win32.cpp.
std::FILE* open_utf8_file(const std::string& path, const char* mode);
