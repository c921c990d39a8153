// Where the writers of this library put their bytes: a file being written, a
// vector in a test, or nothing at all in a benchmark.
#pragma once

#include <cstdint>
#include <span>

class byte_sink {
public:
    // [writer's thread] Takes all of `bytes` (borrowed for the call only), in order;
    // throws (an exception_io, say) when it cannot.
    virtual void write(std::span<const std::uint8_t> bytes) = 0;

protected:
    ~byte_sink() = default;
};
