#pragma once
#include <atomic>

// Ctrl+C, SIGTERM and SIGHUP while the tool works. The first asks the work
// in progress to stop by setting `stop` (one port: the transfer ends at its
// next step as a failure at that step does; a production line: once the
// transfers in progress have ended); the second ends the process at once,
// its ports' lock files removed first. The handler only stores the request
// (no restart of the call it broke into, so a blocked read wakes up).
class CInterruptScope
{
public:
    // Routes the signals to `stop` while it lives; `stop` must outlive it.
    explicit CInterruptScope(std::atomic<bool>& stop);
    ~CInterruptScope();
    CInterruptScope(const CInterruptScope&) = delete;
    CInterruptScope& operator=(const CInterruptScope&) = delete;
};

// The signal that asked for the stop; 0 when none came.
int InterruptSignal();
// The exit status of a stop that `signal` asked for: 128 + its number, 130
// for Ctrl+C.
int InterruptStatus(int signal);
// Ends the process as `signal` would have (its default action), after a
// clean stop: a shell loop that called the tool stops as well.
void ReraiseInterrupt(int signal);
