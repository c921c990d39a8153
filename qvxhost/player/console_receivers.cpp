#include "qvxhost/player/console_receivers.h"

#include "qvxhost/player/service_impl.h"

#include <cstdio>
#include <cstring>

namespace {
// One printed text as a line: up to the zero when unbounded, without a trailing line feed.
std::string line_of(const char* text, std::size_t length)
{
    if (text == nullptr) return {};
    std::string line = length == ~std::size_t{0} ? std::string(text) : std::string(text, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}
} // namespace

void console_collector_impl::print(const char* text, std::size_t length)
{
    std::string line = line_of(text, length);
    const std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
}

bool console_collector_impl::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return query_interfaces<console_receiver>(this, out, interface_guid);
}

std::vector<std::string> console_collector_impl::lines() const
{
    const std::lock_guard lock(mutex_);
    return lines_;
}

void console_stderr_impl::print(const char* text, std::size_t length)
{
    const std::string line = line_of(text, length) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

bool console_stderr_impl::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return query_interfaces<console_receiver>(this, out, interface_guid);
}
