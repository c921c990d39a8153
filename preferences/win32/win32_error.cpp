#include "preferences/win32/win32_error.h"

#include "preferences/win32/utf8_helpers.h"
#include "host/string8.h"

std::string system_error_text(DWORD code)
{
    if (code == 0) return "Undefined error";
    string8 text;
    if (uFormatSystemErrorMessage(text, code)) return text.str();
    return "Unknown error code (" + std::to_string(code) + ")";
}
