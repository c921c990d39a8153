// The window system of the native tests: our Win32 model.
#include "page_environment.h"

#include "preferences/win32/model/dialog_template.h"

namespace {
menu_seen& last_menu()
{
    static menu_seen seen;
    return seen;
}
} // namespace

parent_window::parent_window() : window(win32_model::create_frame_window(RECT{100, 80, 700, 380})) {}
parent_window::~parent_window() { DestroyWindow(window); }

void pump_messages() {}

RECT dialog_units_to_pixels(HWND, const RECT& units) { return win32_model::dialog_units_to_pixels(units); }

void script_next_menu(UINT command)
{
    last_menu() = {};
    win32_model::script_popup_menu([command](const win32_model::popup_menu_call& call) {
        menu_seen& seen = last_menu();
        seen.shown = true;
        for (const auto& item : call.items) seen.items.push_back(item.text);
        seen.x = call.x;
        seen.y = call.y;
        seen.flags = call.flags;
        return command;
    });
}

menu_seen scripted_menu_result()
{
    win32_model::script_popup_menu(nullptr);
    return last_menu();
}

dialog_template dialog_template_101()
{
    const dialog_template* t = win32_model::find_dialog_template(page_module(), 101);
    return t != nullptr ? *t : dialog_template{};
}
