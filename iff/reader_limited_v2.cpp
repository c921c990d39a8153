#include "iff/reader_limited_v2.h"

#include "host/service_impl.h"

reader_limited_v2::reader_limited_v2(service_ptr_t<file> base_file, std::uint64_t range_begin, std::uint64_t range_end) noexcept
    : base(std::move(base_file)), begin(range_begin), end(range_end), position(range_begin)
{
}

bool reader_limited_v2::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return answer_query<file>(this, out, interface_guid);
}

std::size_t reader_limited_v2::read(void* buffer, std::size_t bytes, abort_signal& abort)
{
    if (position >= end) return 0;
    if (base->get_position(abort) != position) base->seek(position, abort);
    const std::uint64_t left = end - position;
    const std::size_t want = bytes < left ? bytes : static_cast<std::size_t>(left);
    const std::size_t got = base->read(buffer, want, abort);
    position += got;
    return got;
}

void reader_limited_v2::write(const void*, std::size_t, abort_signal&) { throw exception_io_denied(); }

std::uint64_t reader_limited_v2::get_size(abort_signal&) { return end - begin; }

std::uint64_t reader_limited_v2::get_position(abort_signal&) { return position - begin; }

void reader_limited_v2::resize(std::uint64_t, abort_signal&) { throw exception_io_denied(); }

void reader_limited_v2::seek(std::uint64_t new_position, abort_signal&)
{
    // Saturate instead of wrapping, so that a huge position can never land
    // before `begin` and read outside the range.
    position = new_position > ~std::uint64_t{0} - begin ? ~std::uint64_t{0} : begin + new_position;
}

bool reader_limited_v2::can_seek() { return base->can_seek(); }

bool reader_limited_v2::get_content_type(string_base&) { return false; }

bool reader_limited_v2::is_remote() { return base->is_remote(); }

std::uint64_t reader_limited_v2::get_timestamp(abort_signal& abort) { return base->get_timestamp(abort); }

void reader_limited_v2::reopen(abort_signal& abort) { seek(0, abort); }

void reader_limited_v2::on_idle(abort_signal&) {}
