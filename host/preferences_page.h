// The host's preferences protocol: a page service describes a page and makes
// instances of it as child windows of the host's preferences dialog.
#pragma once

#include "host/service_base.h"
#include "host/string_base.h"

#include <cstdint>

// A window of the host's user interface. Declared as the Win32 handle type
// itself, so that windows.h's definition of HWND__ completes this one.
struct HWND__;
using window_handle = HWND__*;

// The host's side of one page instance.
class page_callback : public service_base {
public:
    // [UI thread] The page's state changed: the host asks get_state again.
    virtual void notify_state_changed() = 0;

protected:
    ~page_callback() = default;
};

// One open page: a child dialog of the host's preferences window.
// Per-request object, counted; every operation on the UI thread.
class preferences_page_instance : public service_base {
public:
    static constexpr guid class_guid = make_guid("6893A996-A816-49FE-82CE-0CB804A4CFEC");

    enum state_flags : std::uint32_t {
        state_changed_flag = 1,     // the page holds a value not yet applied
        state_resettable_flag = 8,  // the page can put its defaults back
    };

    // [UI thread] state_flags. Never throws.
    virtual std::uint32_t get_state() = 0;
    // [UI thread] The page's window, owned by the instance. Never throws.
    virtual window_handle get_window() = 0;
    // [UI thread] Stores what the page shows; never fails on input the user typed.
    virtual void apply() = 0;
    // [UI thread] Puts the defaults into the page; nothing is stored until apply.
    virtual void reset_to_default() = 0;

protected:
    ~preferences_page_instance() = default;
};

// Static service, one per page.
class preferences_page : public service_base {
public:
    static constexpr guid class_guid = make_guid("7255E8D0-3FCF-4781-B93B-D06CB88DFAFA");

    // [UI thread] Pages that only make instances throw exception_not_implemented.
    virtual window_handle create_window(window_handle parent) = 0;
    // [any thread] UTF-8, owned by the page. Never throws.
    virtual const char* page_name() = 0;
    // [any thread] Never throws.
    virtual guid page_guid() = 0;
    // [any thread] The page under which this one is placed. Never throws.
    virtual guid parent_guid() = 0;
    // [UI thread] Whether the page wants to be shown. Never throws.
    virtual bool page_query() = 0;
    // [UI thread] The page was shown. Never throws.
    virtual void page_notice() = 0;
    // [UI thread] Sets the caller's `out` to the page's help web address; false when it has none.
    // Throws std::bad_alloc.
    virtual bool help_address(string_base& out) = 0;

protected:
    ~preferences_page() = default;
};

class preferences_page_v2 : public preferences_page {
public:
    static constexpr guid class_guid = make_guid("CE4EBC9E-AB20-46F9-925F-883B084F0569");

    // [any thread] Never throws.
    virtual double sort_priority() = 0;

protected:
    ~preferences_page_v2() = default;
};

class preferences_page_v3 : public preferences_page_v2 {
public:
    static constexpr guid class_guid = make_guid("D6D0F741-9F17-4DF8-9D5C-87F28B1F0E64");

    // [UI thread] Creates a new instance as a child window of `parent`; `out`
    // holds the one reference. Throws exception_win32 when the window cannot
    // be created, leaving `out` alone.
    virtual void instantiate(service_ptr_t<preferences_page_instance>& out, window_handle parent,
                             const service_ptr_t<page_callback>& callback) = 0;

protected:
    ~preferences_page_v3() = default;
};

// The host's version information; its text names the host version in the
// addresses of the help site.
class core_version_info : public service_base {
public:
    static constexpr guid class_guid = make_guid("0C36A649-9EA0-4F48-B229-0CB2AA9AB6F4");

    // [any thread] UTF-8, owned by the host for its whole life. Never throws.
    virtual const char* get_version_string() = 0;

protected:
    ~core_version_info() = default;
};
