// The module (DLL or program) that holds the page's dialog resources.
#pragma once

#include "preferences/win32/win32_api.h"

HINSTANCE own_module_instance() noexcept;
