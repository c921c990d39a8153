// Root of every host-facing interface: reference counting and interface query.
// A released interface never changes its slot order.
#pragma once

#include "host/guid.h"

#include <cstddef>
#include <utility>

class service_base;

// Counted reference to a service object. Copying adds a reference, destruction
// releases it; an empty pointer holds nothing.
template <class T>
class service_ptr_t {
public:
    service_ptr_t() noexcept = default;
    service_ptr_t(std::nullptr_t) noexcept {}
    service_ptr_t(T* p) noexcept : p_(p) { if (p_) p_->service_add_ref(); }
    service_ptr_t(const service_ptr_t& o) noexcept : service_ptr_t(o.p_) {}
    service_ptr_t(service_ptr_t&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
    service_ptr_t(const service_ptr_t<U>& o) noexcept : service_ptr_t(o.get_ptr()) {}
    ~service_ptr_t() { release(); }

    service_ptr_t& operator=(service_ptr_t o) noexcept
    {
        std::swap(p_, o.p_);
        return *this;
    }

    void release() noexcept
    {
        if (T* p = std::exchange(p_, nullptr)) p->service_release();
    }
    T* get_ptr() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    bool is_valid() const noexcept { return p_ != nullptr; }
    bool is_empty() const noexcept { return p_ == nullptr; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Takes over a reference the caller already owns (no add-reference).
    void attach(T* p) noexcept
    {
        release();
        p_ = p;
    }
    // Queries `source` for T's interface; empty on failure.
    template <class U>
    bool query_from(U* source);

private:
    T* p_ = nullptr;
};

class service_base {
public:
    // [any thread] Drops one reference, deleting the object at zero; returns the new count
    // (static services: 1). Never throws.
    virtual int service_release() noexcept = 0;
    // [any thread] Adds one reference; returns the new count (static services: 1). Never throws.
    virtual int service_add_ref() noexcept = 0;
    // [any thread] On a match stores this object in `out` with a reference
    // added and returns true; otherwise returns false and leaves `out` alone. Never throws.
    virtual bool service_query(service_ptr_t<service_base>& out, const guid& interface_guid) = 0;

protected:
    ~service_base() = default;
};

template <class T>
template <class U>
bool service_ptr_t<T>::query_from(U* source)
{
    if (source == nullptr) return false;
    service_ptr_t<service_base> found;
    if (!source->service_query(found, T::class_guid)) return false;
    // The query handed out the object as its T interface.
    *this = static_cast<T*>(found.get_ptr());
    return true;
}
