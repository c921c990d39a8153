// The component's persistent settings.
#pragma once

#include "preferences/cfg_var.h"
#include "preferences/dropdown_history.h"

inline constexpr std::int32_t default_max_rate = 88200;

// Highest sample rate handed to the host; read by every new input object.
extern cfg_int_t max_rate_setting;
// Values entered on the preferences page, most recent first.
extern cfg_dropdown_history rate_history;
