#include "link/SerialPlatform.h"
#include "link/SerialPort.h"

#include <windows.h>

namespace SerialPlatform {

bool ReadLineErrorCounts(QSerialPort&, CLineErrorCounts&)
{
    return false;
}

bool IsSerialLine(QSerialPort& port)
{
    COMMPROP properties{};
    if (!GetCommProperties(port.handle(), &properties))
        return false;
    return properties.dwProvSubType == PST_RS232;
}

bool SetQueueSizes(QSerialPort& port, uint16_t inSize, uint16_t outSize)
{
    return SetupComm(port.handle(), inSize, outSize) != 0;
}

// Windows refuses a port in use with "access denied"; rights are not the cause.
bool IsAccessDenied(const std::string&)
{
    return false;
}

bool HasModemLines(QSerialPort&)
{
    return true;
}

// The driver's latency timer is set in the port's properties on Windows.
std::unique_ptr<ISerialFlags> SerialFlagsOf(QSerialPort&)
{
    return nullptr;
}

// Windows keeps the error state itself; ClearCommError reads and clears it.
bool TakeWindowsLineClean(QSerialPort& port)
{
    DWORD errors = 0;
    if (!ClearCommError(port.handle(), &errors, nullptr))
        return false;
    return (errors & (CE_FRAME | CE_BREAK)) == 0;
}

} // namespace SerialPlatform

CRealtimeScope::CRealtimeScope()
{
    m_savedPolicy = static_cast<int>(GetPriorityClass(GetCurrentProcess()));
    m_raised = m_savedPolicy != 0 && SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
}

CRealtimeScope::~CRealtimeScope()
{
    if (m_raised)
        SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(m_savedPolicy));
}

std::string CSerialPort::PortDeviceName(int number)
{
    return WindowsPortName(number);
}
