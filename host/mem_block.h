// A growable block of bytes owned by the host.
#pragma once

#include <cstddef>

class mem_block_container {
public:
    // [owner's thread] Resizes the block; throws std::bad_alloc.
    virtual void set_size(std::size_t bytes) = 0;
    // [owner's thread] Never throws.
    virtual std::size_t get_size() const = 0;
    // [owner's thread] The bytes, owned by the block, valid until its size changes. Never throws.
    virtual void* get_ptr() = 0;

protected:
    ~mem_block_container() = default;
};
