#include "core/Clock.h"

#include <ctime>

CLocalTime CSystemClock::Now() const
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_hour, local.tm_min, local.tm_sec};
}

const CSystemClock& CSystemClock::Instance()
{
    static const CSystemClock clock;
    return clock;
}
