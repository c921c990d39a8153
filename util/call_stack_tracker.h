// Names the scopes the current thread is in, so that a fatal stop can say
// where it happened. One chain per thread; scopes nest on the stack.
#pragma once

class uCallStackTracker {
public:
    explicit uCallStackTracker(const char* scope_name) noexcept : name(scope_name), outer(innermost()) { innermost() = this; }
    ~uCallStackTracker() { innermost() = outer; }
    uCallStackTracker(const uCallStackTracker&) = delete;
    uCallStackTracker& operator=(const uCallStackTracker&) = delete;

    // The innermost scope's name, or null outside every scope.
    static const char* current_scope() noexcept { return innermost() ? innermost()->name : nullptr; }

private:
    static uCallStackTracker*& innermost() noexcept
    {
        thread_local uCallStackTracker* top = nullptr;
        return top;
    }

    const char* name;
    uCallStackTracker* outer;
};
