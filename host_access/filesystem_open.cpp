#include "host_access/filesystem_open.h"

#include "host_access/core_api.h"
#include "util/call_stack_tracker.h"

service_ptr_t<file> filesystem_g_open(const char* path, filesystem::open_mode mode, abort_signal& abort)
{
    uCallStackTracker scope("filesystem::g_open");
    service_ptr_t<file> opened;
    bool handled = false;
    if (service_registry* registry = core_api::registry()) {
        enumerate_services<filesystem>(*registry, [&](const service_ptr_t<filesystem>& fs) {
            if (!fs->is_our_path(path)) return true;
            fs->open(opened, path, mode, abort);
            handled = true;
            return false;
        });
    }
    if (!handled) throw exception_io_no_handler_for_path();
    return opened;
}
