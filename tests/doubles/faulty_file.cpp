#include "tests/doubles/faulty_file.h"

#include <algorithm>

std::size_t faulty_file_impl::read(void* buffer, std::size_t bytes, abort_signal& abort)
{
    ++reads_;
    if (plan_.fail_on_read && *plan_.fail_on_read == reads_) throw exception_io(plan_.message);
    const std::uint64_t position = inner().get_position(abort);
    const std::uint64_t end = position + bytes;
    if (plan_.fail_at && bytes > 0 && *plan_.fail_at >= position && *plan_.fail_at < end)
        throw exception_io(plan_.message);
    std::size_t wanted = bytes;
    if (plan_.end_at) wanted = static_cast<std::size_t>(std::min<std::uint64_t>(
                          bytes, *plan_.end_at > position ? *plan_.end_at - position : 0));
    return wanted == 0 ? 0 : inner().read(buffer, wanted, abort);
}
