// The services our host offers the component: local files, a console and a
// resampler, in one registry.
#pragma once

#include "host/console.h"
#include "qvxhost/player/service_registry_impl.h"

class host_services {
public:
    // `console` receives the component's console text.
    explicit host_services(service_ptr_t<console_receiver> console);

    service_registry_impl& registry() noexcept { return registry_; }

private:
    service_registry_impl registry_;
};
