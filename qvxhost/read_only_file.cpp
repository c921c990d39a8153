#include "qvxhost/read_only_file.h"

#include "qvxhost/service_impl.h"

bool read_only_file::service_query(service_ptr_t<service_base>& out, const guid& interface_guid)
{
    return query_interfaces<file, stream_reader>(this, out, interface_guid);
}
