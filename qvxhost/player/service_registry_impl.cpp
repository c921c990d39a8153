#include "qvxhost/player/service_registry_impl.h"

#include <utility>

service_registry_impl::service_class& service_registry_impl::class_for(const guid& class_guid)
{
    for (const auto& cls : classes_)
        if (cls->class_guid == class_guid) return *cls;
    classes_.push_back(std::make_unique<service_class>(service_class{class_guid, {}}));
    return *classes_.back();
}

void service_registry_impl::add(const guid& class_guid, service_ptr_t<service_base> object)
{
    add_factory(class_guid, [object = std::move(object)] { return object; });
}

void service_registry_impl::add_factory(const guid& class_guid, factory make)
{
    const std::lock_guard lock(mutex_);
    class_for(class_guid).entries.push_back(std::move(make));
}

service_class_ref service_registry_impl::find_class(const guid& class_guid)
{
    const std::lock_guard lock(mutex_);
    for (const auto& cls : classes_)
        if (cls->class_guid == class_guid) return cls.get();
    return nullptr;
}

bool service_registry_impl::create_service(service_ptr_t<service_base>& out, service_class_ref class_ref,
                                           std::size_t index)
{
    factory make;
    {
        const std::lock_guard lock(mutex_);
        const auto* cls = static_cast<const service_class*>(class_ref);
        if (cls == nullptr || index >= cls->entries.size()) return false;
        make = cls->entries[index];
    }
    // Outside the lock: a factory may itself use the registry.
    out = make();
    return out.is_valid();
}

std::size_t service_registry_impl::count_services(service_class_ref class_ref)
{
    const std::lock_guard lock(mutex_);
    const auto* cls = static_cast<const service_class*>(class_ref);
    return cls ? cls->entries.size() : 0;
}
