#include "link/TickClock.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <thread>

namespace {

uint32_t SteadyNowMs()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

} // namespace

uint32_t CSteadyTickClock::NowMs() const
{
    return SteadyNowMs();
}

CSteadyTickClock& CSteadyTickClock::Instance()
{
    static CSteadyTickClock clock;
    return clock;
}

uint32_t CSleepingTickClock::NowMs() const
{
    return SteadyNowMs();
}

void CSleepingTickClock::WaitTurn(uint32_t leftMs)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(leftMs));
}

CSleepingTickClock& CSleepingTickClock::Instance()
{
    static CSleepingTickClock clock;
    return clock;
}

void WaitMs(ITickClock& clock, uint32_t ms)
{
    const uint32_t start = clock.NowMs();
    for (uint32_t elapsed = 0; elapsed < ms; elapsed = clock.NowMs() - start)
        clock.WaitTurn(ms - elapsed);
}

void PumpMessages()
{
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
