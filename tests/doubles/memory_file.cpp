#include "tests/doubles/memory_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

memory_file_impl::memory_file_impl(std::vector<std::uint8_t> bytes, std::uint64_t timestamp)
    : bytes_(std::move(bytes)), timestamp_(timestamp)
{
}

std::size_t memory_file_impl::read(void* buffer, std::size_t bytes, abort_signal& abort)
{
    abort.check();
    const std::uint64_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, left));
    if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

std::uint64_t memory_file_impl::get_size(abort_signal& abort)
{
    abort.check();
    return bytes_.size();
}

std::uint64_t memory_file_impl::get_timestamp(abort_signal& abort)
{
    abort.check();
    return timestamp_;
}
