// The reader of the resource script subset the page's resources use, and the
// templates of the modules the model made.
#pragma once

#include "preferences/win32/dialog_template.h"
#include "preferences/win32/model/win32_model.h"

#include <map>
#include <string>

namespace win32_model {

using ::dialog_item_template;
using ::dialog_template;

// Reads the DIALOGEX resources of a resource script: the header, STYLE, FONT
// and CONTROL items. Preprocessor lines and LANGUAGE statements are skipped.
// Throws std::invalid_argument naming the line it cannot read.
std::map<int, dialog_template> read_dialog_templates(const std::string& script);

// The template `id` of a module the model made; null when it has none.
const dialog_template* find_dialog_template(HINSTANCE module, int id);

} // namespace win32_model
