#include "qvxhost/converter/interrupt_requests.h"

#include <atomic>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// Set from the thread Windows starts for the console event: the one piece of global mutable state.
std::atomic<int> interrupts{0};

BOOL WINAPI note_interrupt(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    // A second interrupt goes on to the default handler, which ends the program.
    return interrupts.fetch_add(1) == 0 ? TRUE : FALSE;
}

} // namespace

interrupt_requests::interrupt_requests()
{
    interrupts = 0;
    SetConsoleCtrlHandler(note_interrupt, TRUE);
}

interrupt_requests::~interrupt_requests() { SetConsoleCtrlHandler(note_interrupt, FALSE); }

bool interrupt_requests::requested() const noexcept { return interrupts.load() != 0; }
