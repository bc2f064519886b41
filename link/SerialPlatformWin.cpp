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

namespace {

// The priority class belongs to the process, not to the reading thread.
// When several ports read at once, their scopes share one raise: the first
// takes it, the last gives back the class in force before the first. With
// one port this is the plain raise and restore around each read.
SRWLOCK g_priorityLock = SRWLOCK_INIT;
int g_priorityUsers = 0;
DWORD g_savedClass = 0;
bool g_classRaised = false;

// Holds the lock of the shared raise while it exists.
class CPriorityLock
{
public:
    CPriorityLock() { AcquireSRWLockExclusive(&g_priorityLock); }
    ~CPriorityLock() { ReleaseSRWLockExclusive(&g_priorityLock); }
    CPriorityLock(const CPriorityLock&) = delete;
    CPriorityLock& operator=(const CPriorityLock&) = delete;
};

} // namespace

CRealtimeScope::CRealtimeScope()
{
    const CPriorityLock lock;
    if (g_priorityUsers++ == 0) {
        g_savedClass = GetPriorityClass(GetCurrentProcess());
        g_classRaised =
            g_savedClass != 0 && SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
    }
    m_raised = g_classRaised;
    m_savedPolicy = static_cast<int>(g_savedClass);
}

CRealtimeScope::~CRealtimeScope()
{
    const CPriorityLock lock;
    if (--g_priorityUsers == 0 && g_classRaised) {
        SetPriorityClass(GetCurrentProcess(), g_savedClass);
        g_classRaised = false;
    }
}
