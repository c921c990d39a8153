#include "qvxhost/player/local_filesystem.h"

#include "qvxhost/player/service_impl.h"

#include <string_view>

namespace {
constexpr std::string_view file_scheme = "file://";
}

bool local_filesystem_impl::is_our_path(const char* path)
{
    if (path == nullptr || *path == '\0') return false;
    const std::string_view text(path);
    if (text.starts_with(file_scheme)) return true;
    return text.find("://") == std::string_view::npos;
}

std::string local_filesystem_impl::local_path(const char* path)
{
    std::string_view text(path);
    if (text.starts_with(file_scheme)) text.remove_prefix(file_scheme.size());
    return std::string(text);
}

void local_filesystem_impl::open(service_ptr_t<file>& out, const char* path, open_mode mode, abort_signal& abort)
{
    if (mode != open_mode_read) throw exception_io_denied();
    if (!is_our_path(path)) throw exception_io_no_handler_for_path();
    out = open_local_file(local_path(path), abort);
}

bool local_filesystem_impl::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return query_interfaces<filesystem>(this, out, interface_guid);
}
