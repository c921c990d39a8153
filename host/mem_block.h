// A growable block of bytes owned by the host.
#pragma once

#include <cstddef>

class mem_block_container {
public:
    virtual void set_size(std::size_t bytes) = 0;
    virtual std::size_t get_size() const = 0;
    virtual void* get_ptr() = 0;

protected:
    ~mem_block_container() = default;
};
