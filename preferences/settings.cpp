#include "preferences/settings.h"

#include "host/settings_ids.h"

// Constructed in this order, so the variable list holds the history first.
cfg_int_t max_rate_setting(max_rate_setting_guid, default_max_rate);
cfg_dropdown_history rate_history(rate_history_guid);
