#include "qvxhost/player/read_only_file.h"

#include "qvxhost/player/service_impl.h"

bool read_only_file::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return query_interfaces<file, stream_reader>(this, out, interface_guid);
}

std::uint64_t read_only_file::get_position(abort_signal& abort)
{
    abort.check();
    return position_;
}

void read_only_file::seek(std::uint64_t position, abort_signal& abort)
{
    // Past the end too (host/file.h): reads there deliver nothing.
    abort.check();
    position_ = position;
}

void read_only_file::reopen(abort_signal& abort)
{
    abort.check();
    position_ = 0;
}
