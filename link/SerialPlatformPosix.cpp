#include "link/SerialPlatform.h"
#include "link/SerialPort.h"

#include <cerrno>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

namespace SerialPlatform {

#ifdef __linux__
static_assert(CLowLatencyRequest::kLowLatencyFlag == ASYNC_LOW_LATENCY);

namespace {

// TIOCGSERIAL and TIOCSSERIAL on the port's descriptor.
class CLinuxSerialFlags : public ISerialFlags
{
public:
    explicit CLinuxSerialFlags(int fd) : m_fd(fd) {}

    bool Get(int& flags) override
    {
        serial_struct info{};
        if (ioctl(m_fd, TIOCGSERIAL, &info) != 0)
            return false;
        flags = info.flags;
        return true;
    }

    bool Set(int flags) override
    {
        serial_struct info{};
        if (ioctl(m_fd, TIOCGSERIAL, &info) != 0)
            return false;
        info.flags = flags;
        return ioctl(m_fd, TIOCSSERIAL, &info) == 0;
    }

private:
    int m_fd;
};

} // namespace
#endif

bool ReadLineErrorCounts(QSerialPort& port, CLineErrorCounts& counts)
{
#if defined(__linux__) && defined(TIOCGICOUNT)
    serial_icounter_struct icount{};
    if (ioctl(static_cast<int>(port.handle()), TIOCGICOUNT, &icount) != 0)
        return false;
    counts.framing = static_cast<uint32_t>(icount.frame);
    counts.breaks = static_cast<uint32_t>(icount.brk);
    return true;
#else
    (void)port;
    (void)counts;
    return false;
#endif
}

bool IsSerialLine(QSerialPort& port)
{
    const int fd = static_cast<int>(port.handle());
    termios settings{};
    return tcgetattr(fd, &settings) == 0 && tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool SetQueueSizes(QSerialPort&, uint16_t, uint16_t)
{
    // The drivers of Linux and macOS size their queues themselves.
    return true;
}

bool IsAccessDenied(const std::string& name)
{
    return ::access(name.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

bool HasModemLines(QSerialPort& port)
{
    int lines = 0;
    return ioctl(static_cast<int>(port.handle()), TIOCMGET, &lines) == 0;
}

std::unique_ptr<ISerialFlags> SerialFlagsOf(QSerialPort& port)
{
#ifdef __linux__
    return std::make_unique<CLinuxSerialFlags>(static_cast<int>(port.handle()));
#else
    (void)port;
    return nullptr;
#endif
}

} // namespace SerialPlatform

// The reading thread is the user-interface thread: its scheduling is raised.
CRealtimeScope::CRealtimeScope()
{
    sched_param current{};
    if (pthread_getschedparam(pthread_self(), &m_savedPolicy, &current) != 0)
        return;
    m_savedPriority = current.sched_priority;
    sched_param raised{};
    raised.sched_priority = sched_get_priority_max(SCHED_FIFO);
    m_raised = pthread_setschedparam(pthread_self(), SCHED_FIFO, &raised) == 0;
}

CRealtimeScope::~CRealtimeScope()
{
    if (!m_raised)
        return;
    sched_param saved{};
    saved.sched_priority = m_savedPriority;
    pthread_setschedparam(pthread_self(), m_savedPolicy, &saved);
}
