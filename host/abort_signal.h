// Cancellation object handed to every host call that may take time.
#pragma once

#include "util/exceptions.h"

class abort_signal {
public:
    // [any thread] True once the operation should stop. Never throws.
    virtual bool is_aborting() const = 0;

    // [any thread] Throws exception_aborted ("User abort") when aborting.
    void check() const
    {
        if (is_aborting()) throw exception_aborted();
    }

protected:
    ~abort_signal() = default;
};
