// A DIALOGEX template as the page's resource script states it: what the Win32 model
// builds its dialogs from, and what a module's resource reads back as.
#pragma once

#include "preferences/win32/win32_api.h"

#include <string>
#include <vector>

struct dialog_item_template {
    std::string window_class;  // "Static", "ComboBox", ... as written
    std::string text;
    int id = 0;
    DWORD style = 0;
    RECT units{};  // left, top, right, bottom in dialog units
};

struct dialog_template {
    DWORD style = 0;
    RECT units{};
    int font_points = 0;
    std::string font_face;
    int font_weight = 0;
    bool font_italic = false;
    int font_charset = 0;
    std::vector<dialog_item_template> items;
};
