// The component's list of service factories, walked by the host from its head.
#pragma once

#include "host/service_base.h"

class service_factory_base {
public:
    // [any thread] Hands out the service object into `out` with a reference added; throws std::bad_alloc.
    virtual void instance_create(service_ptr_t<service_base>& out) = 0;

    // [any thread] The next factory of the list, null at its end.
    service_factory_base* next() const noexcept { return next_; }
    // [any thread] The class the factory's service belongs to.
    const guid& class_guid() const noexcept { return class_guid_; }

protected:
    // Static objects only: puts itself at the head of `list_head`.
    service_factory_base(const guid& class_guid, service_factory_base*& list_head) noexcept
        : next_(list_head), class_guid_(class_guid)
    {
        list_head = this;
    }
    ~service_factory_base() = default;

private:
    service_factory_base* next_;
    const guid& class_guid_;
};
