// A value history shown in a drop-down combo box: filling its list, and the
// right-click menu that wipes the history or removes one entry.
#pragma once

#include "preferences/dropdown_history.h"
#include "preferences/win32/win32_api.h"

// Empties the combo box (list and edit text) and adds the entries in order.
void fill_combo(const _cfg_dropdown_history_base& history, HWND combo);

// The history menu at `position` (WM_CONTEXTMENU's; -1,-1 from the keyboard
// opens it at the combo box's centre). True after a wipe or a removal.
// Never throws.
bool handle_context_menu(_cfg_dropdown_history_base& history, HWND combo, LPARAM position);
