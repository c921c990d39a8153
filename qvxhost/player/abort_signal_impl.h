// A cancellation flag that any thread may raise.
#pragma once

#include "host/abort_signal.h"

#include <atomic>

class abort_signal_impl final : public abort_signal {
public:
    bool is_aborting() const override { return aborting_.load(std::memory_order_acquire); }

    // [any thread]
    void set() noexcept { aborting_.store(true, std::memory_order_release); }
    void reset() noexcept { aborting_.store(false, std::memory_order_release); }

private:
    std::atomic<bool> aborting_{false};
};
