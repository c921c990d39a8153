// Process-wide values the host hands the component, each set once.
#pragma once

#include "host/service_registry.h"

#include <string>

namespace core_api {

// The host's registry; null until quorvex_get_interface has run (unit tests
// that link the component statically run without one).
service_registry* registry() noexcept;
void set_registry(service_registry* registry) noexcept;

const std::string& library_full_path();
const std::string& library_file_name();
void set_library_path(const char* full_path, const char* file_name);

bool services_ready() noexcept;
void set_services_ready(bool ready) noexcept;

} // namespace core_api
