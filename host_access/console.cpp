#include "host_access/console.h"

#include "host_access/core_api.h"
#include "host/console.h"

namespace {

// Hands the text to every console receiver of the host.
void console_print(const std::string& line)
{
    service_registry* registry = core_api::registry();
    if (!registry || !core_api::services_ready()) return;
    enumerate_services<console_receiver>(*registry, [&](const service_ptr_t<console_receiver>& receiver) {
        receiver->print(line.c_str(), ~std::size_t{0});
        return true;
    });
}

} // namespace

console_formatter::~console_formatter()
{
    try {
        console_print(text.str());
    } catch (...) {
        // Console output is best effort; a destructor must not throw.
    }
}
