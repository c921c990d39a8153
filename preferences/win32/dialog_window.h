// The least of a dialog window framework: a modeless dialog made from a
// template, with a dialog procedure that hands each message to its object.
#pragma once

#include "preferences/win32/win32_api.h"

class dialog_window {
public:
    dialog_window(const dialog_window&) = delete;
    dialog_window& operator=(const dialog_window&) = delete;

    // Null until created, and again once the window is destroyed.
    HWND m_hWnd = nullptr;

    // [UI thread] Creates the dialog from template `template_id` of `module` as a
    // modeless child of `parent`. Null on failure, the thread's last-error code
    // telling why.
    HWND create_modeless(HINSTANCE module, int template_id, HWND parent);

protected:
    dialog_window() = default;
    // The window may outlive the object (it belongs to its parent): it is
    // detached, and gets default processing from then on.
    ~dialog_window();

    // The message map. A handled message sets `result` (for WM_INITDIALOG,
    // whether to set the default focus) and returns true; anything else gets
    // the system's default processing. Errors thrown count as not handled.
    virtual bool process_window_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;

private:
    static INT_PTR CALLBACK dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
};
