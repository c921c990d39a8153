// How the page tests reach the component and the window system. The same test
// cases run against the component linked into the test program (natively on
// the Win32 model, and under Wine) and against the real DLL loaded as the
// player loads it (Wine only).
#pragma once

#include "host/component_client.h"
#include "host/preferences_page.h"
#include "preferences/win32/dialog_template.h"
#include "preferences/win32/win32_api.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The component under test: its client, and the module holding its resources.
component_client& test_client();
HINSTANCE page_module();
// Hands the component another host registry, as quorvex_get_interface does.
void give_registry(service_registry* registry);
// The page service from the factory list; never empty.
service_ptr_t<preferences_page_v3> page_service();

// Settings through configuration records, as the host keeps them.
struct stored_settings {
    std::int32_t max_rate = 0;
    std::string history;
};
void load_settings(const stored_settings& settings);
stored_settings saved_settings();

// A top-level window to parent the page; destroyed with the returned guard.
class parent_window {
public:
    parent_window();
    ~parent_window();
    parent_window(const parent_window&) = delete;
    parent_window& operator=(const parent_window&) = delete;
    HWND get() const noexcept { return window; }

private:
    HWND window;
};

// Lets queued window messages run (nothing to do on the model).
void pump_messages();
// The template's dialog units in pixels for this dialog's font.
RECT dialog_units_to_pixels(HWND dialog, const RECT& units);

// One pop-up menu as the test saw it: item texts, where it opened, and the
// flags it was shown with when the window system lets us see them.
struct menu_seen {
    bool shown = false;
    std::vector<std::string> items;
    int x = 0;
    int y = 0;
    std::optional<UINT> flags;
};
// Arranges for the next pop-up menu to choose `command` (0: dismiss it).
void script_next_menu(UINT command);
// What the scripted menu saw; ends the scripting.
menu_seen scripted_menu_result();

// Dialog template 101 as the module holds it.
dialog_template dialog_template_101();
