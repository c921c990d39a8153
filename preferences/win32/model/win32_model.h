// A model of the part of Win32 the preferences page uses: dialogs made from
// DIALOGEX templates, static and combo-box controls, dialog item integers,
// window text, pop-up menus and error texts. Same names, types and values as
// the real API, one thread, no drawing. Tests script the pop-up menu's choice
// through win32_model::script_popup_menu.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using WCHAR = char16_t;
using LPCWSTR = const WCHAR*;
using LPWSTR = WCHAR*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;

struct HWND__;
using HWND = HWND__*;
struct HMENU__;
using HMENU = HMENU__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

#define CALLBACK
#define WINAPI
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

constexpr WORD LOWORD(std::uintptr_t value) noexcept { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t value) noexcept { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) noexcept { return static_cast<WPARAM>(low) | static_cast<WPARAM>(high) << 16; }
constexpr LPARAM MAKELPARAM(WORD low, WORD high) noexcept
{
    return static_cast<LPARAM>(static_cast<std::int32_t>(static_cast<DWORD>(low) | static_cast<DWORD>(high) << 16));
}
inline LPCWSTR MAKEINTRESOURCEW(WORD id) noexcept { return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(id)); }

// Messages and notifications.
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_GETTEXT = 0x000D;
inline constexpr UINT WM_GETTEXTLENGTH = 0x000E;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_CONTEXTMENU = 0x007B;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT CB_GETCOUNT = 0x0146;
inline constexpr UINT CB_GETCURSEL = 0x0147;
inline constexpr UINT CB_GETLBTEXT = 0x0148;
inline constexpr UINT CB_GETLBTEXTLEN = 0x0149;
inline constexpr UINT CB_ADDSTRING = 0x0143;
inline constexpr UINT CB_RESETCONTENT = 0x014B;
inline constexpr UINT CB_SETCURSEL = 0x014E;
inline constexpr LRESULT CB_ERR = -1;
inline constexpr WORD CBN_SELCHANGE = 1;
inline constexpr WORD CBN_EDITCHANGE = 5;

// Window, dialog and control styles.
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD DS_SETFONT = 0x00000040;
inline constexpr DWORD DS_FIXEDSYS = 0x00000008;
inline constexpr DWORD SS_LEFT = 0x00000000;
inline constexpr DWORD CBS_DROPDOWN = 0x00000002;

// Window data slots of a dialog (64-bit layout).
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWLP_ID = -12;
inline constexpr int DWLP_MSGRESULT = 0;
inline constexpr int DWLP_DLGPROC = 8;
inline constexpr int DWLP_USER = 16;

// Menus.
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT TPM_RIGHTBUTTON = 0x0002;
inline constexpr UINT TPM_NONOTIFY = 0x0080;
inline constexpr UINT TPM_RETURNCMD = 0x0100;

// Error codes and message formatting.
inline constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
inline constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

void SetLastError(DWORD code);
DWORD GetLastError();
DWORD FormatMessageW(DWORD flags, const void* source, DWORD message_id, DWORD language_id, LPWSTR buffer, DWORD size,
                     void* arguments);

HWND CreateDialogParamW(HINSTANCE module, LPCWSTR template_name, HWND parent, DLGPROC procedure, LPARAM init_param);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
HWND GetParent(HWND window);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL is_signed);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed);
LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
int GetWindowTextW(HWND window, LPWSTR buffer, int size);
int GetWindowTextLengthW(HWND window);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
BOOL GetWindowRect(HWND window, RECT* rect);
LONG GetWindowLongW(HWND window, int index);
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);

HMENU CreatePopupMenu();
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text);
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
BOOL DestroyMenu(HMENU menu);

// What only tests of the model use.
namespace win32_model {

// A top-level window at `screen` (pixels), to be the parent of dialogs.
HWND create_frame_window(const RECT& screen);

// Dialog templates come from a module made from resource-script text; only
// DIALOGEX resources with CONTROL items are understood. Throws
// std::invalid_argument naming the line it cannot read.
HINSTANCE module_from_resource_script(const std::string& script);

// One TrackPopupMenu call as the model saw it; texts in UTF-8.
struct popup_menu_call {
    struct item {
        UINT_PTR id;
        std::string text;
    };
    std::vector<item> items;
    UINT flags = 0;
    int x = 0;
    int y = 0;
    HWND owner = nullptr;
};

// Chooses the command a TrackPopupMenu returns (0: dismissed). Until a test
// sets one, every menu is dismissed.
void script_popup_menu(std::function<UINT(const popup_menu_call&)> choose);

// Dialog template units to pixels, as the model's dialog font measures them:
// 6 pixels per 4 horizontal units, 13 per 8 vertical units.
RECT dialog_units_to_pixels(const RECT& units);

} // namespace win32_model
