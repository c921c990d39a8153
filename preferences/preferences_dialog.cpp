#include "preferences/preferences_dialog.h"

#include "preferences/dropdown_history_combo.h"
#include "preferences/settings.h"
#include "preferences/standard_rates.h"
#include "preferences/win32/utf8_helpers.h"

#include <string>

std::uint32_t CMyPreferences::field_value() const { return GetDlgItemInt(m_hWnd, IDC_MAX_RATE, nullptr, FALSE); }

void CMyPreferences::notify_host()
{
    if (callback.is_valid()) callback->notify_state_changed();
}

std::uint32_t CMyPreferences::get_state()
{
    const auto stored = static_cast<std::uint32_t>(static_cast<std::int32_t>(max_rate_setting));
    return state_resettable_flag | (field_value() != stored ? state_changed_flag : 0u);
}

void CMyPreferences::apply()
{
    // Anything unreadable reads as 0, and values above 2^31 - 1 turn negative:
    // both end at the lower limit.
    std::int32_t rate = static_cast<std::int32_t>(field_value());
    if (rate < min_max_rate) {
        rate = min_max_rate;
    } else if (rate > max_max_rate) {
        rate = max_max_rate;
    }
    SetDlgItemInt(m_hWnd, IDC_MAX_RATE, static_cast<UINT>(rate), FALSE);
    rate_history.add_item(std::to_string(rate));
    max_rate_setting = rate;
    notify_host();
}

void CMyPreferences::reset_to_default()
{
    SetDlgItemInt(m_hWnd, IDC_MAX_RATE, static_cast<UINT>(default_max_rate), TRUE);
    notify_host();
}

void CMyPreferences::on_init_dialog()
{
    const std::int32_t current = max_rate_setting;
    // Added from the highest down, each to the front: the list ends up ascending.
    for (auto rate = standard_rates.rbegin(); rate != standard_rates.rend(); ++rate)
        if (*rate != current) rate_history.add_item(std::to_string(*rate));
    rate_history.add_item(std::to_string(current));

    HWND combo = GetDlgItem(m_hWnd, IDC_MAX_RATE);
    fill_combo(rate_history, combo);
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

bool CMyPreferences::process_window_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result)
{
    switch (message) {
    case WM_INITDIALOG:
        on_init_dialog();
        result = TRUE;
        return true;
    case WM_COMMAND:
        if (LOWORD(wparam) != IDC_MAX_RATE) return false;
        if (HIWORD(wparam) != CBN_EDITCHANGE && HIWORD(wparam) != CBN_SELCHANGE) return false;
        notify_host();
        result = 0;
        return true;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wparam) != GetDlgItem(m_hWnd, IDC_MAX_RATE)) return false;
        handle_context_menu(rate_history, reinterpret_cast<HWND>(wparam), lparam);
        result = 0;
        return true;
    default:
        return false;
    }
}
