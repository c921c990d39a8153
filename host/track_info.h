// The host's record of one track's information: named text fields and a length.
#pragma once

#include <cstddef>

class track_info {
public:
    // Passing this as a length means "up to the terminating zero".
    static constexpr std::size_t length_unbounded = ~std::size_t{0};

    // [caller's thread] Never throws.
    virtual void set_length(double seconds) = 0;
    // [caller's thread] Copies name and value, both UTF-8; throws std::bad_alloc.
    virtual void set_field(const char* name, std::size_t name_length, const char* value, std::size_t value_length) = 0;

protected:
    ~track_info() = default;
};
