// A DIALOGEX template as the model keeps it, and the reader of the resource
// script subset the page's resources use.
#pragma once

#include "preferences/win32/model/win32_model.h"

#include <map>
#include <string>
#include <vector>

namespace win32_model {

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

// Reads the DIALOGEX resources of a resource script: the header, STYLE, FONT
// and CONTROL items. Preprocessor lines and LANGUAGE statements are skipped.
// Throws std::invalid_argument naming the line it cannot read.
std::map<int, dialog_template> read_dialog_templates(const std::string& script);

// The template `id` of a module the model made; null when it has none.
const dialog_template* find_dialog_template(HINSTANCE module, int id);

} // namespace win32_model
