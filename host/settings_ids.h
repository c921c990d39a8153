// The identifiers under which the component's settings travel in configuration records:
// the player stores them, and our host sets the maximum rate through them.
#pragma once

#include "host/guid.h"

// The maximum output sample rate: a 32-bit integer, in Hz.
inline constexpr guid max_rate_setting_guid = make_guid("B735F284-607A-4EC2-91A0-AC761AF90B7E");
// The values entered on the preferences page, newest first.
inline constexpr guid rate_history_guid = make_guid("CC7840A4-D540-4650-913F-5FD5C7A6A737");
