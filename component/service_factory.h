// Static factories that put the component's services into the factory list
// while the library loads.
#pragma once

#include "host/service_factory.h"
#include "host/service_impl.h"

// Head of the component's factory list; each factory puts itself in front.
service_factory_base*& factory_list_head() noexcept;

// A factory that contains its static service object.
template <class T>
class service_factory_single_t final : public service_factory_base {
public:
    service_factory_single_t() noexcept : service_factory_base(T::class_guid, factory_list_head()) {}
    void instance_create(service_ptr_t<service_base>& out) override
    {
        out = static_cast<service_base*>(static_cast<typename T::service_class*>(&object));
    }

private:
    service_static_t<T> object;
};

// A factory that refers to a static service object stored separately.
template <class T>
class service_factory_single_ref_t final : public service_factory_base {
public:
    explicit service_factory_single_ref_t(T& service) noexcept : service_factory_base(T::class_guid, factory_list_head()), object(service) {}
    void instance_create(service_ptr_t<service_base>& out) override
    {
        out = static_cast<service_base*>(static_cast<typename T::service_class*>(&object));
    }

private:
    T& object;
};
