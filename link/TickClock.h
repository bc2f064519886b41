#pragma once
#include <cstdint>

// The millisecond tick counter of the device link. It wraps around; callers
// compare ticks by unsigned difference only.
class ITickClock
{
public:
    virtual ~ITickClock() = default;
    virtual uint32_t NowMs() const = 0;
    // One turn of a busy wait. The system clock does nothing here; a clock
    // that tests drive moves itself forward so that a wait ends.
    virtual void Spin() = 0;
};

// The system's monotonic clock.
class CSteadyTickClock : public ITickClock
{
public:
    uint32_t NowMs() const override;
    void Spin() override {}
    static CSteadyTickClock& Instance();
};

// A clock that tests move by hand. A busy wait advances it by 1 ms a turn.
class CManualTickClock : public ITickClock
{
public:
    explicit CManualTickClock(uint32_t startMs = 0) : m_now(startMs) {}
    uint32_t NowMs() const override { return m_now; }
    void Spin() override { ++m_now; }
    void Advance(uint32_t ms) { m_now += ms; }
    void Set(uint32_t ms) { m_now = ms; }

private:
    uint32_t m_now;
};

// Busy wait until the counter has advanced by at least `ms` since the call.
// Nothing else runs meanwhile.
void WaitMs(ITickClock& clock, uint32_t ms);

// Processes the pending events of the application, except user input, and
// returns at once; it never waits for an event. Without an application
// object it does nothing. Quit requests only take effect once the transfer
// has returned to the event loop.
void PumpMessages();
