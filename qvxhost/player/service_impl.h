// Reference counting and interface queries for our host's service objects:
// the same helpers the component uses.
#pragma once

#include "host/service_impl.h"

// A per-request object: counted atomically, deleted when the last reference goes.
template <class T>
using service_counted = service_impl_t<T>;

// An object whose lifetime its owner manages (a member, a local in a test):
// reference operations do nothing.
template <class T>
using service_uncounted = service_static_t<T>;
