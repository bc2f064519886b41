#include "link/LowLatency.h"

const char* LowLatencyText(LowLatency state)
{
    switch (state) {
    case LowLatency::Granted:
        return "granted";
    case LowLatency::Refused:
        return "refused by the driver";
    case LowLatency::NotOffered:
        break;
    }
    return "not offered by the port";
}

LowLatency CLowLatencyRequest::Request(ISerialFlags& port)
{
    m_changed = false;
    int flags = 0;
    if (!port.Get(flags))
        return LowLatency::NotOffered;
    if (flags & kLowLatencyFlag)
        return LowLatency::Granted;
    if (!port.Set(flags | kLowLatencyFlag))
        return LowLatency::Refused;
    m_changed = true;
    m_savedFlags = flags;
    int now = 0;
    if (port.Get(now) && (now & kLowLatencyFlag))
        return LowLatency::Granted;
    // Taken without effect: nothing to keep.
    Restore(port);
    return LowLatency::Refused;
}

void CLowLatencyRequest::Restore(ISerialFlags& port)
{
    if (!m_changed)
        return;
    m_changed = false;
    port.Set(m_savedFlags);
}
