#include "ui/port/MicLinkPortProbe.h"

#include "link/MicLink.h"
#include "link/SystemPorts.h"
#include "link/TickClock.h"

#include <cstdint>

namespace {
constexpr int kOpenState = 1;
constexpr int kClosedState = 0;
} // namespace

void CMicLinkPortProbe::NumberPorts()
{
    NumberSystemPorts();
}

int CMicLinkPortProbe::PortNumber() const
{
    return m_link.GetPortNumber();
}

void CMicLinkPortProbe::SetPortNumber(int number)
{
    m_link.SetPortNumber(static_cast<uint8_t>(number));
}

bool CMicLinkPortProbe::Open()
{
    if (m_link.SetOpen(kOpenState) != 0)
        return true;
    // An opening can fail after the device itself was opened; release it
    // here rather than leave the port held until the next transfer.
    if (m_link.IsOpen())
        m_link.Close();
    return false;
}

bool CMicLinkPortProbe::IsRs232()
{
    return m_link.IsRs232();
}

void CMicLinkPortProbe::Close()
{
    m_link.SetOpen(kClosedState);
}

std::string CMicLinkPortProbe::DeviceName(int number) const
{
    return CMicLink::PortStableName(number);
}

void CMicLinkPortProbe::Pause(int ms)
{
    WaitMs(m_link.Ticks(), static_cast<uint32_t>(ms));
}
