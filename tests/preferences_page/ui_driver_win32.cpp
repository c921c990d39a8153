// The window system of the Windows tests: the real one (Wine here). The
// pop-up menu is driven from a thread timer while TrackPopupMenu runs its loop.
#include "page_environment.h"

#include "preferences/win32/utf16.h"

#include <cstring>

namespace {

const wchar_t* frame_class()
{
    static const ATOM registered = [] {
        WNDCLASSW frame{};
        frame.lpfnWndProc = DefWindowProcW;
        frame.hInstance = GetModuleHandleW(nullptr);
        frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        frame.lpszClassName = L"qvx_page_test_frame";
        return RegisterClassW(&frame);
    }();
    (void)registered;
    return L"qvx_page_test_frame";
}

struct menu_script {
    UINT command = 0;
    UINT_PTR timer = 0;
    int ticks = 0;
    bool acted = false;
    menu_seen seen;
};

menu_script& script()
{
    static menu_script state;
    return state;
}

// Reads the open menu, then picks the command with the arrow keys and Enter,
// as a user would; without a menu after a few seconds, gives up.
void CALLBACK on_menu_timer(HWND, UINT, UINT_PTR, DWORD)
{
    menu_script& s = script();
    if (s.acted) return;
    HWND menu_window = FindWindowW(L"#32768", nullptr);
    if (menu_window == nullptr || !IsWindowVisible(menu_window)) {
        if (++s.ticks > 200) EndMenu();
        return;
    }
    s.acted = true;
    s.seen.shown = true;
    RECT rect{};
    GetWindowRect(menu_window, &rect);
    s.seen.x = rect.left;
    s.seen.y = rect.top;
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, MN_GETHMENU, 0, 0));
    const int count = GetMenuItemCount(menu);
    int target = -1;
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        s.seen.items.push_back(wide_to_utf8(text));
        if (s.command != 0 && GetMenuItemID(menu, i) == s.command) target = i;
    }
    if (target < 0) {
        EndMenu();
        return;
    }
    for (int k = 0; k <= target; ++k) PostMessageW(menu_window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu_window, WM_KEYDOWN, VK_RETURN, 0);
}

} // namespace

parent_window::parent_window()
    : window(CreateWindowExW(0, frame_class(), L"qvx page test", WS_OVERLAPPEDWINDOW, 100, 80, 600, 300,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr))
{
}

parent_window::~parent_window() { DestroyWindow(window); }

void pump_messages()
{
    for (int round = 0; round < 10; ++round) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

RECT dialog_units_to_pixels(HWND dialog, const RECT& units)
{
    RECT pixels = units;
    MapDialogRect(dialog, &pixels);
    return pixels;
}

void script_next_menu(UINT command)
{
    menu_script& s = script();
    if (s.timer) KillTimer(nullptr, s.timer);
    s = {};
    s.command = command;
    s.timer = SetTimer(nullptr, 0, 20, on_menu_timer);
}

menu_seen scripted_menu_result()
{
    menu_script& s = script();
    if (s.timer) KillTimer(nullptr, s.timer);
    s.timer = 0;
    return s.seen;
}

namespace {

// Reads DLGTEMPLATEEX: WORD-aligned fields, items DWORD-aligned.
class template_reader {
public:
    explicit template_reader(const BYTE* data) : start_(data), at_(data) {}
    WORD word() { return take<WORD>(); }
    DWORD dword() { return take<DWORD>(); }
    short signed_word() { return static_cast<short>(word()); }
    BYTE byte() { return *at_++; }
    void align(std::size_t to)
    {
        while ((at_ - start_) % static_cast<std::ptrdiff_t>(to) != 0) ++at_;
    }
    std::string text()
    {
        std::wstring out;
        for (WORD c = word(); c != 0; c = word()) out += static_cast<wchar_t>(c);
        return wide_to_utf8(out);
    }
    // A name or an ordinal ("#N", or the predefined class's name).
    std::string name_or_ordinal()
    {
        const WORD first = word();
        if (first == 0) return {};
        if (first == 0xFFFF) {
            const WORD ordinal = word();
            if (ordinal == 0x0082) return "Static";
            if (ordinal == 0x0085) return "ComboBox";
            return "#" + std::to_string(ordinal);
        }
        std::wstring out(1, static_cast<wchar_t>(first));
        for (WORD c = word(); c != 0; c = word()) out += static_cast<wchar_t>(c);
        return wide_to_utf8(out);
    }

private:
    template <class T>
    T take()
    {
        T value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    const BYTE* start_;
    const BYTE* at_;
};

RECT read_units(template_reader& r)
{
    const short x = r.signed_word();
    const short y = r.signed_word();
    const short cx = r.signed_word();
    const short cy = r.signed_word();
    return RECT{x, y, x + cx, y + cy};
}

} // namespace

dialog_template dialog_template_101()
{
    // US English, as the resource script declares it.
    HRSRC found = FindResourceExW(page_module(), MAKEINTRESOURCEW(5) /* RT_DIALOG */, MAKEINTRESOURCEW(101),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (found == nullptr) return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(page_module(), found)));
    template_reader r(data);
    dialog_template view;
    if (r.word() != 1 || r.word() != 0xFFFF) return {};
    r.dword();  // help id
    r.dword();  // extended style
    view.style = r.dword();
    const WORD count = r.word();
    view.units = read_units(r);
    r.name_or_ordinal();  // menu
    r.name_or_ordinal();  // class
    r.text();             // caption
    view.font_points = r.word();
    view.font_weight = r.word();
    view.font_italic = r.byte() != 0;
    view.font_charset = r.byte();
    view.font_face = r.text();
    for (WORD i = 0; i < count; ++i) {
        r.align(4);
        dialog_item_template item;
        r.dword();  // help id
        r.dword();  // extended style
        item.style = r.dword();
        item.units = read_units(r);
        item.id = static_cast<int>(r.dword());
        item.window_class = r.name_or_ordinal();
        item.text = r.name_or_ordinal();
        const WORD extra = r.word();
        for (WORD k = 0; k < extra; ++k) r.byte();
        view.items.push_back(item);
    }
    return view;
}
