// Our host's service registry: services by class GUID, enumerated in the
// order they were registered.
#pragma once

#include "host/service_registry.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class service_registry_impl final : public service_registry {
public:
    using factory = std::function<service_ptr_t<service_base>()>;

    // [setup] One shared object: every create_service hands out this object.
    void add(const guid& class_guid, service_ptr_t<service_base> object);
    // [setup] A new object from `make` for every create_service.
    void add_factory(const guid& class_guid, factory make);

    // Typed convenience: registers `object` through its service_base.
    template <class T>
    void add_object(const guid& class_guid, const service_ptr_t<T>& object)
    {
        add(class_guid, service_ptr_t<service_base>(static_cast<service_base*>(object.get_ptr())));
    }

    service_class_ref find_class(const guid& class_guid) override;
    bool create_service(service_ptr_t<service_base>& out, service_class_ref class_ref, std::size_t index) override;
    std::size_t count_services(service_class_ref class_ref) override;

private:
    struct service_class {
        guid class_guid;
        std::vector<factory> entries;
    };

    service_class& class_for(const guid& class_guid);

    // Classes are never removed, so a class_ref (a service_class address) stays valid.
    std::vector<std::unique_ptr<service_class>> classes_;
    std::mutex mutex_;
};
