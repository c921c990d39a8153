// Marks the scope the current thread is in by name, as the host's helper library does,
// so that a crash dump can say where it happened: the name stays on the scope's stack frame.
#pragma once

class uCallStackTracker {
public:
    explicit uCallStackTracker(const char* scope_name) noexcept : name(scope_name) {}
    uCallStackTracker(const uCallStackTracker&) = delete;
    uCallStackTracker& operator=(const uCallStackTracker&) = delete;

private:
    [[maybe_unused]] const char* name;  // read by debuggers only
};
