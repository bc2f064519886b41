#pragma once
#include <cstdint>

constexpr uint32_t kMsPerSecond = 1000;

// The millisecond tick counter of the device link. It wraps around; callers
// compare ticks by unsigned difference only.
class ITickClock
{
public:
    virtual ~ITickClock() = default;
    virtual uint32_t NowMs() const = 0;
    // One turn of a wait that has `leftMs` (more than 0) to go: it may
    // return at once, or once up to `leftMs` have passed.
    virtual void WaitTurn(uint32_t leftMs) = 0;
};

// The system's monotonic clock, waited on by spinning: the desktop
// window's transfer, which nothing may interrupt and whose waits are short.
class CSteadyTickClock : public ITickClock
{
public:
    uint32_t NowMs() const override;
    void WaitTurn(uint32_t) override {}
    static CSteadyTickClock& Instance();
};

// The system's monotonic clock, waited on by sleeping the thread: the
// command-line tool's and the production line's links, where a wait of
// seconds (a read-back that waits for its microphone) must not keep a core
// busy.
class CSleepingTickClock : public ITickClock
{
public:
    uint32_t NowMs() const override;
    void WaitTurn(uint32_t leftMs) override;
    static CSleepingTickClock& Instance();
};

// A clock that tests move by hand. A wait moves it to the wait's end.
class CManualTickClock : public ITickClock
{
public:
    explicit CManualTickClock(uint32_t startMs = 0) : m_now(startMs) {}
    uint32_t NowMs() const override { return m_now; }
    void WaitTurn(uint32_t leftMs) override { m_now += leftMs; }
    void Advance(uint32_t ms) { m_now += ms; }
    void Set(uint32_t ms) { m_now = ms; }

private:
    uint32_t m_now;
};

// Waits until the counter has advanced by at least `ms` since the call, as
// the clock waits (spinning or sleeping). Nothing else runs meanwhile on
// this thread: no event is processed.
void WaitMs(ITickClock& clock, uint32_t ms);

// Processes the pending events of the application, except user input, and
// returns at once; it never waits for an event. Without an application
// object it does nothing. Quit requests only take effect once the transfer
// has returned to the event loop.
void PumpMessages();
