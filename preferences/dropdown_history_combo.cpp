#include "preferences/dropdown_history_combo.h"

#include "preferences/win32/utf8_helpers.h"
#include "host/string8.h"

#include <algorithm>
#include <memory>

namespace {

enum menu_command : UINT { command_wipe = 1, command_remove = 2 };

struct menu_destroyer {
    void operator()(HMENU__* menu) const noexcept { DestroyMenu(menu); }
};
using menu_ptr = std::unique_ptr<HMENU__, menu_destroyer>;

void fill_entries(HWND combo, const std::vector<std::string>& entries)
{
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries) uSendMessageText(combo, CB_ADDSTRING, 0, entry.c_str());
}

std::string window_text(HWND window)
{
    string8 text;
    uGetWindowText(window, text);
    return text.str();
}

// Screen position of the menu: the message's, or the combo box's centre.
void menu_position(HWND combo, LPARAM position, int& x, int& y)
{
    x = static_cast<short>(LOWORD(static_cast<std::uintptr_t>(position)));
    y = static_cast<short>(HIWORD(static_cast<std::uintptr_t>(position)));
    if (x != -1 || y != -1) return;
    RECT rect{};
    GetWindowRect(combo, &rect);
    x = (rect.left + rect.right) / 2;
    y = (rect.top + rect.bottom) / 2;
}

} // namespace

void fill_combo(const _cfg_dropdown_history_base& history, HWND combo)
{
    std::string text;
    history.load_text(text);
    fill_entries(combo, split_history(text));
}

bool handle_context_menu(_cfg_dropdown_history_base& history, HWND combo, LPARAM position)
{
    try {
        int x = 0;
        int y = 0;
        menu_position(combo, position, x, y);

        UINT command = 0;
        {
            menu_ptr menu(CreatePopupMenu());
            if (!menu) return false;
            uAppendMenu(menu.get(), MF_STRING, command_wipe, "Wipe history");
            if (!window_text(combo).empty()) uAppendMenu(menu.get(), MF_STRING, command_remove, "Remove this history item");
            command = static_cast<UINT>(
                TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, x, y, 0, combo, nullptr));
        }

        if (command == command_wipe) {
            history.store_text({});
            // Emptying the list clears the edit field too; the typed value stays.
            const std::string typed = window_text(combo);
            SendMessageW(combo, CB_RESETCONTENT, 0, 0);
            uSetWindowText(combo, typed.c_str());
            return true;
        }
        if (command == command_remove) {
            const std::string typed = window_text(combo);
            std::string stored;
            history.load_text(stored);
            std::vector<std::string> entries = split_history(stored);
            const auto found = std::find(entries.begin(), entries.end(), typed);
            const bool removed = found != entries.end();
            if (removed) {
                entries.erase(found);
                history.store_text(join_history(entries));
            }
            fill_entries(combo, entries);
            return removed;
        }
        return false;
    } catch (...) {
        // A failed menu changes nothing the user would miss; the dialog goes on.
        return false;
    }
}
