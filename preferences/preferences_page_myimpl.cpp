#include "preferences/preferences_page_myimpl.h"

#include "host_access/core_api.h"
#include "host/string8.h"

std::string guid_to_text(const guid& id)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    const auto put = [&](std::uint64_t value, int count) {
        for (int shift = 4 * (count - 1); shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xF];
    };
    put(id.data1, 8);
    text += '-';
    put(id.data2, 4);
    text += '-';
    put(id.data3, 4);
    text += '-';
    for (int i = 0; i < 8; ++i) {
        if (i == 2) text += '-';
        put(id.data4[i], 2);
    }
    return text;
}

bool preferences_page_myimpl::help_address(string_base& out)
{
    service_registry* registry = core_api::registry();
    if (registry == nullptr) throw exception_service_not_found();
    const service_ptr_t<core_version_info> version = standard_api_create<core_version_info>(*registry);
    std::string address = help_site_base;
    address += version->get_version_string();
    address += "/preferences/";
    address += guid_to_text(page_guid());
    address += '/';
    address += page_name();
    set_string(out, address);
    return true;
}
