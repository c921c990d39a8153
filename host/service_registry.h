// The host's service registry, handed to the component's export.
#pragma once

#include "host/service_base.h"
#include "util/exceptions.h"

#include <cstddef>

using service_class_ref = const void*;

class service_registry {
public:
    // [any thread] The registry's handle of the class, owned by the registry; null when no
    // service of the class exists. Never throws.
    virtual service_class_ref find_class(const guid& class_guid) = 0;
    // [any thread] Service `index` of the class into `out`, which then holds a reference;
    // false past the last, `out` untouched. Throws what the service's factory throws.
    virtual bool create_service(service_ptr_t<service_base>& out, service_class_ref class_ref, std::size_t index) = 0;
    // [any thread] Never throws.
    virtual std::size_t count_services(service_class_ref class_ref) = 0;

protected:
    ~service_registry() = default;
};

// [any thread] Calls `visit` with each service of T's class that answers T's interface,
// in the host's order; stops early when `visit` returns false. Throws what `visit` and
// the services' creation throw.
template <class T, class Visit>
void enumerate_services(service_registry& registry, Visit&& visit, const guid& class_guid = T::class_guid)
{
    const service_class_ref cls = registry.find_class(class_guid);
    if (cls == nullptr) return;
    for (std::size_t index = 0;; ++index) {
        service_ptr_t<service_base> item;
        if (!registry.create_service(item, cls, index)) return;
        service_ptr_t<T> typed;
        if (!typed.query_from(item.get_ptr())) continue;
        if (!visit(typed)) return;
    }
}

// [any thread] The single service of T's class, a reference the caller owns: none throws
// exception_service_not_found, more than one exception_service_duplicated.
template <class T>
service_ptr_t<T> standard_api_create(service_registry& registry, const guid& class_guid = T::class_guid)
{
    const service_class_ref cls = registry.find_class(class_guid);
    const std::size_t count = cls ? registry.count_services(cls) : 0;
    if (count == 0) throw exception_service_not_found();
    if (count > 1) throw exception_service_duplicated();
    service_ptr_t<service_base> item;
    service_ptr_t<T> typed;
    if (!registry.create_service(item, cls, 0) || !typed.query_from(item.get_ptr())) throw exception_service_not_found();
    return typed;
}
