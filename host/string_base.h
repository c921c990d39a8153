// Output string handed in by the host: the component sets it with UTF-8 text.
#pragma once

#include <cstddef>

class string_base {
public:
    // [owner's thread] Copies `length` bytes of UTF-8 text as the whole content; throws std::bad_alloc.
    virtual void set_string(const char* text, std::size_t length) = 0;
    // [owner's thread] Zero-terminated, owned by the string, valid until it next changes. Never throws.
    virtual const char* get_ptr() const = 0;
    // [owner's thread] Bytes, without the terminating zero. Never throws.
    virtual std::size_t length() const = 0;

protected:
    ~string_base() = default;
};
