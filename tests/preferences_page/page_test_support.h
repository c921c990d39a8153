// Helpers shared by the page's test cases.
#pragma once

#include "page_environment.h"

#include "preferences/win32/utf8_helpers.h"
#include "host/service_impl.h"
#include "host/string8.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

inline constexpr int combo_id = 1001;
inline constexpr std::uint32_t state_clean = 8;
inline constexpr std::uint32_t state_changed = 9;

// Counts notify_state_changed; counted itself, so tests see when the page lets go.
class counting_callback : public page_callback {
public:
    bool service_query(service_ptr_t<service_base>&, const guid&) override { return false; }
    void notify_state_changed() override { ++notifications; }
    int notifications = 0;
};

inline std::string text_of(HWND window)
{
    string8 text;
    EXPECT_TRUE(uGetWindowText(window, text));
    return text.str();
}

inline std::vector<std::string> combo_list(HWND combo)
{
    std::vector<std::string> items;
    const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        wide_string buffer(static_cast<std::size_t>(length) + 1, WCHAR{});
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
        buffer.resize(static_cast<std::size_t>(length));
        std::string item;
        for (WCHAR c : buffer) item += static_cast<char>(c);  // the lists hold digits only
        items.push_back(item);
    }
    return items;
}

inline const std::vector<std::string> standard_list = {"8000",  "11025", "16000", "22050", "24000",  "32000", "44100",
                                                       "48000", "64000", "88200", "96000", "176400", "192000"};

// The list after first opening with `current` and an empty history.
inline std::vector<std::string> first_list(const std::string& current)
{
    std::vector<std::string> list = {current};
    for (const std::string& rate : standard_list)
        if (rate != current) list.push_back(rate);
    return list;
}

inline std::string history_text(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& e : entries) text += e + "\n";
    return text;
}

// One open page on a fresh parent, with settings loaded first.
class open_page {
public:
    explicit open_page(const stored_settings& settings = {88200, ""})
    {
        load_settings(settings);
        callback = new service_impl_t<counting_callback>();
        page_service()->instantiate(instance, parent.get(), callback);
    }
    HWND dialog() const { return instance->get_window(); }
    HWND combo() const { return GetDlgItem(dialog(), combo_id); }
    void type(const std::string& text) const { ASSERT_TRUE(uSetWindowText(combo(), text.c_str())); }
    // The dialog procedure's own answer: TRUE handled, FALSE default processing.
    INT_PTR send_to_procedure(UINT message, WPARAM wparam, LPARAM lparam) const
    {
        const auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(dialog(), DWLP_DLGPROC));
        return procedure(dialog(), message, wparam, lparam);
    }
    int notifications() const { return callback->notifications; }

    parent_window parent;
    service_ptr_t<counting_callback> callback;
    service_ptr_t<preferences_page_instance> instance;
};
