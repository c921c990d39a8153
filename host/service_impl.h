// Reference counting for the component's and the host's service objects.
#pragma once

#include "host/service_base.h"

#include <atomic>
#include <utility>

// A per-request object: counted atomically, deleted by the release that
// brings the count to zero. The count starts at 0; the creator's first
// reference is the one handed out.
template <class T>
class service_impl_t final : public T {
public:
    template <class... Args>
    explicit service_impl_t(Args&&... args) : T(std::forward<Args>(args)...)
    {
    }

    int service_add_ref() noexcept override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    int service_release() noexcept override
    {
        const int left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<int> refs_{0};
};

// A static object that lives as long as the library: references change nothing.
template <class T>
class service_static_t final : public T {
public:
    template <class... Args>
    explicit service_static_t(Args&&... args) : T(std::forward<Args>(args)...)
    {
    }

    int service_add_ref() noexcept override { return 1; }
    int service_release() noexcept override { return 1; }
};

template <class T, class... Args>
service_ptr_t<T> make_service(Args&&... args)
{
    return service_ptr_t<T>(new service_impl_t<T>(std::forward<Args>(args)...));
}

// Answers a query for any of `Interfaces` (each a base of `Self` with a
// class_guid), tested in order. The object is handed out through that
// interface's own service_base, which is what service_ptr_t::query_from
// casts back from.
template <class... Interfaces, class Self>
bool query_interfaces(Self* self, service_ptr_t<service_base>& out, const guid& wanted)
{
    bool found = false;
    auto try_one = [&]<class Interface>() {
        if (found || !(wanted == Interface::class_guid)) return;
        out = static_cast<service_base*>(static_cast<Interface*>(self));
        found = true;
    };
    (try_one.template operator()<Interfaces>(), ...);
    return found;
}

// Answers a query for `Interface` with `self` seen as that interface.
template <class Interface, class Self>
bool answer_query(Self* self, service_ptr_t<service_base>& out, const guid& wanted)
{
    if (!(wanted == Interface::class_guid)) return false;
    out = static_cast<service_base*>(static_cast<Interface*>(self));
    return true;
}
