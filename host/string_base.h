// Output string handed in by the host: the component sets it with UTF-8 text.
#pragma once

#include <cstddef>

class string_base {
public:
    // Replaces the content with `length` bytes of UTF-8 text.
    virtual void set_string(const char* text, std::size_t length) = 0;
    virtual const char* get_ptr() const = 0;
    virtual std::size_t length() const = 0;

protected:
    ~string_base() = default;
};
