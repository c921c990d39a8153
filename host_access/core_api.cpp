#include "host_access/core_api.h"

#include <atomic>

namespace {
std::atomic<service_registry*> host_registry{nullptr};
std::atomic<bool> ready_flag{false};
std::string& full_path_storage()
{
    static std::string value;
    return value;
}
std::string& file_name_storage()
{
    static std::string value;
    return value;
}
} // namespace

namespace core_api {

service_registry* registry() noexcept { return host_registry.load(std::memory_order_acquire); }
void set_registry(service_registry* r) noexcept { host_registry.store(r, std::memory_order_release); }

const std::string& library_full_path() { return full_path_storage(); }
const std::string& library_file_name() { return file_name_storage(); }
void set_library_path(const char* full_path, const char* file_name)
{
    full_path_storage() = full_path ? full_path : "";
    file_name_storage() = file_name ? file_name : "";
}

bool services_ready() noexcept { return ready_flag.load(std::memory_order_acquire); }
void set_services_ready(bool ready) noexcept { ready_flag.store(ready, std::memory_order_release); }

} // namespace core_api
