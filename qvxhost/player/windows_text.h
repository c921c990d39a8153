// UTF-8 paths and texts for the Windows wide-character calls (Windows only).
#pragma once

#include <string>

std::wstring utf8_to_utf16(const std::string& text);
std::string utf16_to_utf8(const std::wstring& text);
// The system's text for an error code, without the line break.
std::string windows_error_text(unsigned long code);
