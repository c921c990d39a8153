// Static services that tell the host who the component is.
#pragma once

#include "host/service_base.h"
#include "host/string_base.h"

#include <cstdint>

class componentversion : public service_base {
public:
    static constexpr guid class_guid = make_guid("10BB3EBD-DDF7-4975-A3CC-23084829453E");

    // [any thread] Each sets the caller's `out`; throws std::bad_alloc.
    virtual void get_file_name(string_base& out) = 0;
    // [any thread] As get_file_name.
    virtual void get_component_name(string_base& out) = 0;
    // [any thread] As get_file_name.
    virtual void get_component_version(string_base& out) = 0;
    // [any thread] As get_file_name.
    virtual void get_about_message(string_base& out) = 0;

protected:
    ~componentversion() = default;
};

class input_file_type : public service_base {
public:
    static constexpr guid class_guid = make_guid("640E006E-2934-4D6C-8327-4FA9F341ECF2");

    // [any thread] Never throws.
    virtual std::uint32_t get_count() = 0;
    // [any thread] Sets the caller's `out`; false (and `out` untouched) for an index with no type.
    virtual bool get_name(std::uint32_t index, string_base& out) = 0;
    // [any thread] As get_name.
    virtual bool get_mask(std::uint32_t index, string_base& out) = 0;
    // [any thread] Never throws.
    virtual bool is_associatable(std::uint32_t index) = 0;

protected:
    ~input_file_type() = default;
};

class component_installation_validator : public service_base {
public:
    static constexpr guid class_guid = make_guid("0639283E-3004-4E5C-B1B3-6DFF08A79284");

    // [any thread] Never throws.
    virtual bool is_installed_correctly() = 0;

protected:
    ~component_installation_validator() = default;
};
