#include "component/identity_services.h"

#include "host_access/core_api.h"
#include "host/service_impl.h"
#include "host/string8.h"

bool componentversion_myimpl::service_query(service_ptr_t<service_base>& out, const guid& wanted)
{
    return answer_query<componentversion>(this, out, wanted);
}
void componentversion_myimpl::get_file_name(string_base& out) { set_string(out, core_api::library_file_name()); }
void componentversion_myimpl::get_component_name(string_base& out) { set_string(out, "DSDIFF Decoder"); }
void componentversion_myimpl::get_component_version(string_base& out) { set_string(out, QVX_COMPONENT_VERSION); }
void componentversion_myimpl::get_about_message(string_base& out) { set_string(out, "Decodes DSDIFF streams."); }

bool input_file_type_impl::service_query(service_ptr_t<service_base>& out, const guid& wanted)
{
    return answer_query<input_file_type>(this, out, wanted);
}
bool input_file_type_impl::get_name(std::uint32_t index, string_base& out)
{
    if (index != 0) return false;
    set_string(out, "DSDIFF Files");
    return true;
}
bool input_file_type_impl::get_mask(std::uint32_t index, string_base& out)
{
    if (index != 0) return false;
    set_string(out, "*.dff");
    return true;
}

bool component_installation_validator_filename::service_query(service_ptr_t<service_base>& out, const guid& wanted)
{
    return answer_query<component_installation_validator>(this, out, wanted);
}

std::string_view path_file_name(std::string_view path)
{
    const std::size_t separator = path.find_last_of("\\/|:");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

bool component_installation_validator_filename::is_installed_correctly()
{
    return path_file_name(core_api::library_full_path()) == expected_library_file_name;
}
