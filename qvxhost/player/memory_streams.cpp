#include "qvxhost/player/memory_streams.h"

#include "qvxhost/player/service_impl.h"

#include <algorithm>
#include <cstring>

std::size_t memory_stream_reader_impl::read(void* buffer, std::size_t bytes, abort_signal& abort)
{
    abort.check();
    const std::size_t count = std::min(bytes, remaining());
    if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

bool memory_stream_reader_impl::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return query_interfaces<stream_reader>(this, out, interface_guid);
}

void memory_stream_writer_impl::write(const void* buffer, std::size_t bytes, abort_signal& abort)
{
    abort.check();
    const auto* data = static_cast<const std::uint8_t*>(buffer);
    bytes_.insert(bytes_.end(), data, data + bytes);
}

bool memory_stream_writer_impl::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return query_interfaces<stream_writer>(this, out, interface_guid);
}
