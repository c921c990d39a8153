#include "preferences/win32/model/win32_model.h"

#include "preferences/win32/model/dialog_template.h"
#include "preferences/win32/utf16.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>

namespace {

enum class window_kind { frame, dialog, static_text, combo_box, other };

// A closed drop-down combo box is as tall as its edit field; the template's
// height includes the list.
constexpr LONG closed_combo_height = 21;

} // namespace

struct HWND__ {
    window_kind kind = window_kind::other;
    HWND parent = nullptr;
    std::vector<HWND> children;
    int id = 0;
    DWORD style = 0;
    RECT rect{};  // screen pixels
    std::u16string text;
    std::vector<std::u16string> items;
    int selection = -1;
    DLGPROC procedure = nullptr;
    LONG_PTR dialog_slots[3] = {};  // DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER
    bool alive = true;
};

struct HMENU__ {
    std::vector<win32_model::popup_menu_call::item> items;
    bool alive = true;
};

struct HINSTANCE__ {
    std::map<int, win32_model::dialog_template> dialogs;
};

namespace {

// The model's whole window system: what the OS would keep for the one UI
// thread. Handles are never reused, so a stale handle is recognised as such.
struct desktop_state {
    std::vector<std::unique_ptr<HWND__>> windows;
    std::vector<std::unique_ptr<HMENU__>> menus;
    std::vector<std::unique_ptr<HINSTANCE__>> modules;
    DWORD last_error = 0;
    std::function<UINT(const win32_model::popup_menu_call&)> choose_command;
};

desktop_state& desktop()
{
    static desktop_state state;
    return state;
}

bool is_live(HWND window)
{
    if (window == nullptr) return false;
    const auto& all = desktop().windows;
    return std::any_of(all.begin(), all.end(), [&](const auto& w) { return w.get() == window && w->alive; });
}

bool is_live(HMENU menu)
{
    if (menu == nullptr) return false;
    const auto& all = desktop().menus;
    return std::any_of(all.begin(), all.end(), [&](const auto& m) { return m.get() == menu && m->alive; });
}

// Fails a call on a stale or null window handle, as the system does.
bool check_window(HWND window)
{
    if (is_live(window)) return true;
    desktop().last_error = ERROR_INVALID_WINDOW_HANDLE;
    return false;
}

HWND new_window(window_kind kind, HWND parent, const RECT& rect)
{
    auto window = std::make_unique<HWND__>();
    window->kind = kind;
    window->parent = parent;
    window->rect = rect;
    HWND handle = window.get();
    desktop().windows.push_back(std::move(window));
    if (parent) parent->children.push_back(handle);
    return handle;
}

std::u16string text_of(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

LRESULT copy_text(const std::u16string& text, std::size_t buffer_size, LPWSTR buffer)
{
    if (buffer == nullptr || buffer_size == 0) return 0;
    const std::size_t n = std::min(text.size(), buffer_size - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return static_cast<LRESULT>(n);
}

// What DefWindowProc does for the text messages.
LRESULT default_processing(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_SETTEXT: window->text = text_of(reinterpret_cast<LPCWSTR>(lparam)); return TRUE;
    case WM_GETTEXT: return copy_text(window->text, wparam, reinterpret_cast<LPWSTR>(lparam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(window->text.size());
    default: return 0;
    }
}

LRESULT combo_box_processing(HWND combo, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto& items = combo->items;
    const auto index = static_cast<std::intptr_t>(wparam);
    const bool in_range = index >= 0 && static_cast<std::size_t>(index) < items.size();
    switch (message) {
    case CB_ADDSTRING:
        items.push_back(text_of(reinterpret_cast<LPCWSTR>(lparam)));
        return static_cast<LRESULT>(items.size() - 1);
    case CB_RESETCONTENT:
        items.clear();
        combo->selection = -1;
        combo->text.clear();
        return 0;
    case CB_SETCURSEL:
        if (!in_range) {
            combo->selection = -1;
            if (index == -1) combo->text.clear();
            return CB_ERR;
        }
        combo->selection = static_cast<int>(index);
        combo->text = items[static_cast<std::size_t>(index)];
        return index;
    case CB_GETCURSEL: return combo->selection;
    case CB_GETCOUNT: return static_cast<LRESULT>(items.size());
    case CB_GETLBTEXTLEN: return in_range ? static_cast<LRESULT>(items[static_cast<std::size_t>(index)].size()) : CB_ERR;
    case CB_GETLBTEXT: {
        if (!in_range) return CB_ERR;
        const std::u16string& item = items[static_cast<std::size_t>(index)];
        return copy_text(item, item.size() + 1, reinterpret_cast<LPWSTR>(lparam));
    }
    default: return default_processing(combo, message, wparam, lparam);
    }
}

LRESULT dispatch(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (window->kind == window_kind::combo_box) return combo_box_processing(window, message, wparam, lparam);
    if (window->kind == window_kind::dialog && window->procedure) {
        const INT_PTR handled = window->procedure(window, message, wparam, lparam);
        if (handled) return message == WM_INITDIALOG ? handled : window->dialog_slots[DWLP_MSGRESULT / 8];
    }
    return default_processing(window, message, wparam, lparam);
}

void destroy(HWND window)
{
    const std::vector<HWND> children = window->children;
    for (HWND child : children) destroy(child);
    if (window->kind == window_kind::dialog && window->procedure) window->procedure(window, WM_NCDESTROY, 0, 0);
    window->alive = false;
    if (window->parent) std::erase(window->parent->children, window);
}

window_kind kind_of_class(const std::string& name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "static") return window_kind::static_text;
    if (lower == "combobox") return window_kind::combo_box;
    return window_kind::other;
}

// As the dialog manager does: position and size are converted separately.
RECT place(const RECT& units, LONG origin_x, LONG origin_y)
{
    const RECT at = win32_model::dialog_units_to_pixels(RECT{units.left, units.top, 0, 0});
    const RECT size = win32_model::dialog_units_to_pixels(RECT{0, 0, units.right - units.left, units.bottom - units.top});
    return RECT{origin_x + at.left, origin_y + at.top, origin_x + at.left + size.right, origin_y + at.top + size.bottom};
}

struct error_text {
    DWORD code;
    std::u16string_view text;
};
constexpr error_text error_texts[] = {
    {0, u"The operation completed successfully.\r\n"},
    {2, u"File not found.\r\n"},
    {8, u"Not enough memory.\r\n"},
    {ERROR_INVALID_WINDOW_HANDLE, u"Invalid window handle.\r\n"},
    {ERROR_INVALID_MENU_HANDLE, u"Invalid menu handle.\r\n"},
    {ERROR_RESOURCE_NAME_NOT_FOUND, u"Resource name not found.\r\n"},
};

} // namespace

void SetLastError(DWORD code) { desktop().last_error = code; }
DWORD GetLastError() { return desktop().last_error; }

DWORD FormatMessageW(DWORD flags, const void*, DWORD message_id, DWORD, LPWSTR buffer, DWORD size, void*)
{
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) != 0) {
        for (const error_text& e : error_texts) {
            if (e.code != message_id) continue;
            if (size <= e.text.size()) break;
            return static_cast<DWORD>(copy_text(std::u16string(e.text), size, buffer));
        }
    }
    desktop().last_error = ERROR_MR_MID_NOT_FOUND;
    return 0;
}

HWND CreateDialogParamW(HINSTANCE module, LPCWSTR template_name, HWND parent, DLGPROC procedure, LPARAM init_param)
{
    if (parent != nullptr && !check_window(parent)) return nullptr;
    const auto id = static_cast<int>(reinterpret_cast<std::uintptr_t>(template_name));
    const auto found = module ? module->dialogs.find(id) : decltype(module->dialogs.end()){};
    if (module == nullptr || found == module->dialogs.end()) {
        desktop().last_error = ERROR_RESOURCE_NAME_NOT_FOUND;
        return nullptr;
    }
    const win32_model::dialog_template& t = found->second;
    const LONG origin_x = parent ? parent->rect.left : 0;
    const LONG origin_y = parent ? parent->rect.top : 0;
    HWND dialog = new_window(window_kind::dialog, parent, place(t.units, origin_x, origin_y));
    dialog->style = t.style;
    dialog->procedure = procedure;
    dialog->dialog_slots[DWLP_DLGPROC / 8] = reinterpret_cast<LONG_PTR>(procedure);
    for (const win32_model::dialog_item_template& item : t.items) {
        const window_kind kind = kind_of_class(item.window_class);
        RECT rect = place(item.units, dialog->rect.left, dialog->rect.top);
        if (kind == window_kind::combo_box) rect.bottom = rect.top + closed_combo_height;
        HWND control = new_window(kind, dialog, rect);
        control->id = item.id;
        control->style = item.style;
        control->text = utf8_to_wide(item.text);
    }
    HWND focus = dialog->children.empty() ? nullptr : dialog->children.front();
    if (procedure) procedure(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), init_param);
    return dialog;
}

BOOL DestroyWindow(HWND window)
{
    if (!check_window(window)) return FALSE;
    destroy(window);
    return TRUE;
}

BOOL IsWindow(HWND window) { return is_live(window) ? TRUE : FALSE; }

HWND GetParent(HWND window) { return check_window(window) ? window->parent : nullptr; }

HWND GetDlgItem(HWND dialog, int id)
{
    if (!check_window(dialog)) return nullptr;
    for (HWND child : dialog->children)
        if (child->id == id) return child;
    desktop().last_error = 1421;  // ERROR_CONTROL_ID_NOT_FOUND
    return nullptr;
}

int GetDlgCtrlID(HWND window) { return check_window(window) ? window->id : 0; }

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL is_signed)
{
    if (translated) *translated = FALSE;
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) return 0;
    const std::string text = wide_to_utf8(item->text);
    std::string_view digits(text);
    while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
    const bool negative = is_signed && digits.starts_with('-');
    if (negative) digits.remove_prefix(1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return 0;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    const std::uint64_t limit = is_signed ? (negative ? 0x80000000u : 0x7FFFFFFFu) : 0xFFFFFFFFu;
    if (error != std::errc() || end != digits.data() + digits.size() || value > limit) return 0;
    if (translated) *translated = TRUE;
    return negative ? static_cast<UINT>(0u - static_cast<UINT>(value)) : static_cast<UINT>(value);
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed)
{
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) return FALSE;
    const std::string text = is_signed ? std::to_string(static_cast<std::int32_t>(value)) : std::to_string(value);
    item->text = utf8_to_wide(text);
    return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!check_window(window)) return 0;
    return dispatch(window, message, wparam, lparam);
}

int GetWindowTextW(HWND window, LPWSTR buffer, int size)
{
    if (!check_window(window) || size <= 0) return 0;
    return static_cast<int>(SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND window)
{
    if (!check_window(window)) return 0;
    return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextW(HWND window, LPCWSTR text)
{
    if (!check_window(window)) return FALSE;
    return static_cast<BOOL>(SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

BOOL GetWindowRect(HWND window, RECT* rect)
{
    if (!check_window(window) || rect == nullptr) return FALSE;
    *rect = window->rect;
    return TRUE;
}

LONG GetWindowLongW(HWND window, int index)
{
    if (!check_window(window)) return 0;
    if (index == GWL_STYLE) return static_cast<LONG>(window->style);
    if (index == GWLP_ID) return window->id;
    return 0;
}

namespace {
LONG_PTR* dialog_slot(HWND window, int index)
{
    if (window->kind != window_kind::dialog || index < 0 || index > DWLP_USER || index % 8 != 0) return nullptr;
    return &window->dialog_slots[index / 8];
}
} // namespace

LONG_PTR GetWindowLongPtrW(HWND window, int index)
{
    if (!check_window(window)) return 0;
    if (LONG_PTR* slot = dialog_slot(window, index)) return *slot;
    return GetWindowLongW(window, index);
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value)
{
    if (!check_window(window)) return 0;
    LONG_PTR* slot = dialog_slot(window, index);
    if (slot == nullptr) return 0;
    const LONG_PTR previous = *slot;
    *slot = value;
    if (index == DWLP_DLGPROC) window->procedure = reinterpret_cast<DLGPROC>(value);
    return previous;
}

HMENU CreatePopupMenu()
{
    desktop().menus.push_back(std::make_unique<HMENU__>());
    return desktop().menus.back().get();
}

BOOL AppendMenuW(HMENU menu, UINT, UINT_PTR id, LPCWSTR text)
{
    if (!is_live(menu)) {
        desktop().last_error = ERROR_INVALID_MENU_HANDLE;
        return FALSE;
    }
    menu->items.push_back({id, wide_to_utf8(text_of(text))});
    return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*)
{
    if (!is_live(menu)) {
        desktop().last_error = ERROR_INVALID_MENU_HANDLE;
        return FALSE;
    }
    if (!check_window(owner)) return FALSE;
    const win32_model::popup_menu_call call{menu->items, flags, x, y, owner};
    const UINT chosen = desktop().choose_command ? desktop().choose_command(call) : 0;
    const bool offered = std::any_of(menu->items.begin(), menu->items.end(), [&](const auto& item) { return item.id == chosen; });
    const UINT command = offered ? chosen : 0;
    if ((flags & TPM_RETURNCMD) != 0) return static_cast<BOOL>(command);
    if (command != 0 && (flags & TPM_NONOTIFY) == 0) SendMessageW(owner, WM_COMMAND, command, 0);
    return TRUE;
}

BOOL DestroyMenu(HMENU menu)
{
    if (!is_live(menu)) {
        desktop().last_error = ERROR_INVALID_MENU_HANDLE;
        return FALSE;
    }
    menu->alive = false;
    return TRUE;
}

namespace win32_model {

HWND create_frame_window(const RECT& screen) { return new_window(window_kind::frame, nullptr, screen); }

HINSTANCE module_from_resource_script(const std::string& script)
{
    auto module = std::make_unique<HINSTANCE__>();
    module->dialogs = read_dialog_templates(script);
    desktop().modules.push_back(std::move(module));
    return desktop().modules.back().get();
}

const dialog_template* find_dialog_template(HINSTANCE module, int id)
{
    if (module == nullptr) return nullptr;
    const auto found = module->dialogs.find(id);
    return found == module->dialogs.end() ? nullptr : &found->second;
}

void script_popup_menu(std::function<UINT(const popup_menu_call&)> choose) { desktop().choose_command = std::move(choose); }

RECT dialog_units_to_pixels(const RECT& units)
{
    // Rounded as MulDiv rounds: half away from zero.
    const auto x = [](LONG v) { return static_cast<LONG>(v >= 0 ? (v * 6 + 2) / 4 : -((-v * 6 + 2) / 4)); };
    const auto y = [](LONG v) { return static_cast<LONG>(v >= 0 ? (v * 13 + 4) / 8 : -((-v * 13 + 4) / 8)); };
    return RECT{x(units.left), y(units.top), x(units.right), y(units.bottom)};
}

} // namespace win32_model
