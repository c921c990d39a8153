#include "qvxhost/player/host_services.h"

#include "qvxhost/player/local_filesystem.h"
#include "qvxhost/player/service_impl.h"
#include "qvxhost/player/soxr_resampler.h"

host_services::host_services(service_ptr_t<console_receiver> console)
{
    registry_.add_object(filesystem::class_guid, make_service<local_filesystem_impl>());
    registry_.add_object(console_receiver::class_guid, console);
    registry_.add_object(dsp_entry::class_guid, make_service<soxr_resampler_provider_impl>());
}
