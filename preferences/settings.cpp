#include "preferences/settings.h"

// Constructed in this order, so the variable list holds the history first.
cfg_int_t max_rate_setting(make_guid("B735F284-607A-4EC2-91A0-AC761AF90B7E"), default_max_rate);
cfg_dropdown_history rate_history(make_guid("CC7840A4-D540-4650-913F-5FD5C7A6A737"));
