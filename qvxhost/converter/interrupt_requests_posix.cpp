#include "qvxhost/converter/interrupt_requests.h"

#include <algorithm>
#include <atomic>
#include <csignal>

namespace {

// The handler may do no more than set this: the program's one piece of global mutable state. A
// lock-free atomic rather than a volatile sig_atomic_t, because the handler may run on any thread
// and the batch's main thread reads it.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "signal handlers may only touch lock-free atomics");

extern "C" void note_interrupt(int signal_number)
{
    interrupted.store(true);
    // The next one ends the program (restoring the default is async-signal-safe).
    std::signal(signal_number, SIG_DFL);
}

} // namespace

interrupt_requests::interrupt_requests()
{
    interrupted.store(false);
    struct sigaction action{};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    // A signal that the program was started ignoring (nohup, a background job of a script) stays ignored.
    for (const int signal_number : {SIGINT, SIGTERM}) {
        struct sigaction inherited{};
        sigaction(signal_number, nullptr, &inherited);
        if (inherited.sa_handler == SIG_IGN) {
            ignored_.push_back(signal_number);
            continue;
        }
        // No SA_RESTART: a blocking call that the signal interrupts may as well return early.
        sigaction(signal_number, &action, nullptr);
    }
}

interrupt_requests::~interrupt_requests()
{
    for (const int signal_number : {SIGINT, SIGTERM}) {
        const bool was_ignored = std::find(ignored_.begin(), ignored_.end(), signal_number) != ignored_.end();
        std::signal(signal_number, was_ignored ? SIG_IGN : SIG_DFL);
    }
}

bool interrupt_requests::requested() const noexcept { return interrupted.load(); }
