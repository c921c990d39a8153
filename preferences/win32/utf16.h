// UTF-8 and UTF-16 conversions for the W calls. Ill-formed input becomes
// U+FFFD rather than an error: window texts are never worth failing over.
#pragma once

#include "preferences/win32/win32_api.h"

#include <string>
#include <string_view>

wide_string utf8_to_wide(std::string_view text);
std::string wide_to_utf8(std::basic_string_view<WCHAR> text);
