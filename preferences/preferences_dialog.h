// One open preferences page: the dialog with the maximum-sample-rate combo
// box, as the host's page instance.
#pragma once

#include "host/preferences_page.h"
#include "preferences/win32/dialog_window.h"
#include "host/service_impl.h"

#include <cstdint>

inline constexpr std::int32_t min_max_rate = 6000;
inline constexpr std::int32_t max_max_rate = 192000;

class CMyPreferences : public dialog_window, public preferences_page_instance {
public:
    enum { IDD = 101 };
    enum control_id : int { IDC_MAX_RATE = 1001 };

    explicit CMyPreferences(service_ptr_t<page_callback> page_callback_ref) : callback(std::move(page_callback_ref)) {}

    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return answer_query<preferences_page_instance>(this, out, wanted);
    }

    // 9 while the field differs from the stored setting, else 8.
    std::uint32_t get_state() override;
    window_handle get_window() override { return m_hWnd; }
    // Clamps the field to 6000 ... 192000, stores it and adds it to the history.
    void apply() override;
    // Puts 88200 into the field; stored only by apply.
    void reset_to_default() override;

private:
    bool process_window_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    void on_init_dialog();
    void notify_host();
    std::uint32_t field_value() const;

    service_ptr_t<page_callback> callback;
};

// The counted object handed to the host.
template <class T>
using preferences_page_instance_impl = service_impl_t<T>;
