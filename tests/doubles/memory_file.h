// A read-only file over bytes held in memory.
#pragma once

#include "qvxhost/player/read_only_file.h"

#include <cstdint>
#include <vector>

class memory_file_impl : public read_only_file {
public:
    explicit memory_file_impl(std::vector<std::uint8_t> bytes, std::uint64_t timestamp = 0);

    std::size_t read(void* buffer, std::size_t bytes, abort_signal& abort) override;
    std::uint64_t get_size(abort_signal& abort) override;
    std::uint64_t get_timestamp(abort_signal& abort) override;

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t timestamp_;
};
