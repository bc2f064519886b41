#include "link/TickClock.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>

uint32_t CSteadyTickClock::NowMs() const
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

CSteadyTickClock& CSteadyTickClock::Instance()
{
    static CSteadyTickClock clock;
    return clock;
}

void WaitMs(ITickClock& clock, uint32_t ms)
{
    const uint32_t start = clock.NowMs();
    while (clock.NowMs() - start < ms)
        clock.Spin();
}

void PumpMessages()
{
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
