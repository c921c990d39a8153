#include "tests/doubles/file_wrapper.h"

#include "qvxhost/player/service_impl.h"

bool file_wrapper::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return query_interfaces<file, stream_reader>(this, out, interface_guid);
}
