// While an object of this class lives, SIGINT and SIGTERM (on Windows: Ctrl+C,
// Ctrl+Break, closing the console) do not end the program but are noted, for
// the batch to stop through its abort signal. A second interrupt ends the
// program at once, as usual. The OS calls live in interrupt_requests_posix.cpp
// and interrupt_requests_win32.cpp.
#pragma once

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
