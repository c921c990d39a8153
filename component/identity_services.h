// Who the component is, which files it handles, whether it is installed
// under its expected file name.
#pragma once

#include "host/component_identity.h"

#include <string_view>

// The library file name the installation check expects.
#if defined(_WIN32)
inline constexpr std::string_view expected_library_file_name = "qvx_input_dsdiff.dll";
#else
inline constexpr std::string_view expected_library_file_name = "qvx_input_dsdiff.so";
#endif

class componentversion_myimpl : public componentversion {
public:
    using service_class = componentversion;
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override;
    void get_file_name(string_base& out) override;
    void get_component_name(string_base& out) override;
    void get_component_version(string_base& out) override;
    void get_about_message(string_base& out) override;
};

class input_file_type_impl : public input_file_type {
public:
    using service_class = input_file_type;
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override;
    std::uint32_t get_count() override { return 1; }
    bool get_name(std::uint32_t index, string_base& out) override;
    bool get_mask(std::uint32_t index, string_base& out) override;
    bool is_associatable(std::uint32_t) override { return true; }
};

class component_installation_validator_filename : public component_installation_validator {
public:
    using service_class = component_installation_validator;
    bool service_query(service_ptr_t<service_base>& out, const guid& wanted) override;
    bool is_installed_correctly() override;
};

// The file-name part of a path: what follows the last \ / | or :.
std::string_view path_file_name(std::string_view path);
