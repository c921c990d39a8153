#include "preferences/win32/dialog_window.h"

HWND dialog_window::create_modeless(HINSTANCE module, int template_id, HWND parent)
{
    return CreateDialogParamW(module, MAKEINTRESOURCEW(static_cast<WORD>(template_id)), parent, &dialog_procedure,
                              reinterpret_cast<LPARAM>(this));
}

dialog_window::~dialog_window()
{
    if (m_hWnd != nullptr) SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
}

INT_PTR CALLBACK dialog_window::dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    dialog_window* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<dialog_window*>(lparam);
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        if (self != nullptr) self->m_hWnd = window;
    } else {
        self = reinterpret_cast<dialog_window*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (self == nullptr) return FALSE;

    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->process_window_message(message, wparam, lparam, result);
    } catch (...) {
        // No error may leave a window procedure; the system handles the message.
        handled = false;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    if (!handled) return FALSE;
    if (message == WM_INITDIALOG) return result;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}
