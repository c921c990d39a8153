// Receivers of the host console's text.
#pragma once

#include "host/service_base.h"

#include <cstddef>

class console_receiver : public service_base {
public:
    static constexpr guid class_guid = make_guid("90DF5270-65BB-4DBA-BAF5-86BE9E59DC20");

    // [any thread] Copies what it keeps; length all ones means up to the terminating zero.
    virtual void print(const char* text, std::size_t length) = 0;

protected:
    ~console_receiver() = default;
};
