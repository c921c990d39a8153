// The component's page in the host's preferences: "DSDIFF Decoder".
#pragma once

#include "host/preferences_page.h"
#include "preferences/preferences_dialog.h"
#include "preferences/win32/own_module.h"
#include "preferences/win32/win32_error.h"

#include <string>

// A page whose instances are dialogs of class T (with its template id T::IDD).
template <class T>
class preferences_page_impl : public preferences_page_v3 {
public:
    using service_class = preferences_page;

    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override
    {
        return query_interfaces<preferences_page_v3, preferences_page_v2, preferences_page>(this, out, wanted);
    }

    window_handle create_window(window_handle) override { throw exception_not_implemented(); }

    void instantiate(service_ptr_t<preferences_page_instance>& out, window_handle parent,
                     const service_ptr_t<page_callback>& callback) override
    {
        service_ptr_t<T> instance(new preferences_page_instance_impl<T>(callback));
        SetLastError(0);
        if (instance->create_modeless(own_module_instance(), T::IDD, parent) == nullptr)
            throw make_exception_win32(GetLastError());
        out = instance.get_ptr();
    }

protected:
    ~preferences_page_impl() = default;
};

class preferences_page_myimpl : public preferences_page_impl<CMyPreferences> {
public:
    static constexpr guid page_id = make_guid("1A6A112A-DA07-46C8-A4FF-0FB7469D42E2");
    // Placed under the host's page for input components.
    static constexpr guid parent_page_id = make_guid("FC01B529-4BD7-47CD-BAF7-2FB632F0DBB6");

    const char* page_name() override { return "DSDIFF Decoder"; }
    guid page_guid() override { return page_id; }
    guid parent_guid() override { return parent_page_id; }
    bool page_query() override { return false; }
    void page_notice() override {}
    // The help site's address for this page in the running host's version.
    // Throws exception_service_not_found or exception_service_duplicated when
    // the host's version service is missing or not single.
    bool help_address(string_base& out) override;
    double sort_priority() override { return 0.0; }
};

// The help site; the host version, "preferences", the page GUID and name follow.
inline constexpr const char* help_site_base = "https://help.quorvex.org/";

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", upper-case hexadecimal, no braces.
std::string guid_to_text(const guid& id);
