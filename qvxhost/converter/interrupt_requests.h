// While an object of this class lives, SIGINT and SIGTERM (on Windows: Ctrl+C,
// Ctrl+Break, closing the console) do not end the program but are noted, for
// the decodes to stop through their abort signal. A second interrupt ends the
// program at once, as usual. The OS calls live in interrupt_requests_posix.cpp
// and interrupt_requests_win32.cpp.
#pragma once

#include "host/abort_signal.h"

#include <vector>

class interrupt_requests {
public:
    interrupt_requests();
    ~interrupt_requests();
    interrupt_requests(const interrupt_requests&) = delete;
    interrupt_requests& operator=(const interrupt_requests&) = delete;

    // [any thread] True once an interrupt came.
    bool requested() const noexcept;

private:
    std::vector<int> ignored_;  // signals the program inherited as ignored (POSIX), left so
};

// The abort signal of a run that interrupts end: the component asks it often enough for a
// decode to stop within a chunk. [any thread]
class interruptible_abort final : public abort_signal {
public:
    explicit interruptible_abort(const interrupt_requests& interrupts) : interrupts_(interrupts) {}
    bool is_aborting() const override { return interrupts_.requested(); }

private:
    const interrupt_requests& interrupts_;
};
