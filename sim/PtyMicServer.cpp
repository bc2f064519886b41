#include "sim/PtyMicServer.h"

#include "link/Protocol.h"
#include "sim/NoisyDevice.h"
#include "sim/VirtualMic.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 20;
constexpr auto kIdlePause = std::chrono::milliseconds(20);
// How long an answer waits for the program to move its line to the rate.
constexpr auto kRateWait = std::chrono::milliseconds(300);
constexpr auto kRatePoll = std::chrono::microseconds(500);
// A microphone left in programming mode by a session that broke off (a
// damaged end command on a noisy line) listens again once it has had
// nothing to answer for this long, as a real one whose programming mode
// times out.
constexpr auto kSessionIdleTimeout = std::chrono::milliseconds(2000);
// Bytes handed to the system at once when pacing.
constexpr std::size_t kPaceChunk = 8;
constexpr std::size_t kReadChunk = 512;
constexpr int64_t kMicrosPerSecond = 1000000;

struct CSpeed
{
    speed_t code;
    uint32_t rate;
};
constexpr std::array<CSpeed, 10> kSpeeds{{{B1200, 1200},
                                          {B2400, 2400},
                                          {B4800, 4800},
                                          {B9600, 9600},
                                          {B19200, 19200},
                                          {B38400, 38400},
                                          {B57600, 57600},
                                          {B115200, 115200},
                                          {B300, 300},
                                          {B600, 600}}};

} // namespace

CPtyMicServer::CPtyMicServer(CVirtualMic& mic) : m_mic(mic) {}

CPtyMicServer::~CPtyMicServer()
{
    if (m_slave >= 0)
        close(m_slave);
    if (m_master >= 0)
        close(m_master);
}

bool CPtyMicServer::Open(std::string& error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        error = std::strerror(errno);
        return false;
    }
    const char* name = ptsname(m_master);
    if (!name) {
        error = std::strerror(errno);
        return false;
    }
    m_path = name;
    // Holding the terminal side open keeps the line up between the
    // program's openings.
    m_slave = open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        error = std::strerror(errno);
        return false;
    }
    termios raw{};
    if (tcgetattr(m_slave, &raw) == 0) {
        cfmakeraw(&raw);
        cfsetspeed(&raw, B9600);
        tcsetattr(m_slave, TCSANOW, &raw);
    }
    return true;
}

uint32_t CPtyMicServer::LineRate() const
{
    termios settings{};
    if (tcgetattr(m_master, &settings) != 0)
        return 0;
    const speed_t code = cfgetospeed(&settings);
    for (const CSpeed& speed : kSpeeds)
        if (speed.code == code)
            return speed.rate;
    return 0;
}

bool CPtyMicServer::AwaitRate(uint32_t rate) const
{
    const auto until = Clock::now() + kRateWait;
    while (LineRate() != rate) {
        if (Clock::now() >= until || m_stop)
            return false;
        std::this_thread::sleep_for(kRatePoll);
    }
    return true;
}

void CPtyMicServer::SendPaced(const uint8_t* bytes, std::size_t count, uint32_t rate)
{
    const auto start = Clock::now();
    for (std::size_t sent = 0; sent < count;) {
        const std::size_t chunk = m_paced ? std::min(kPaceChunk, count - sent) : count - sent;
        if (m_paced) {
            // Each byte leaves once its time on the line has passed.
            const int64_t micros =
                static_cast<int64_t>(sent + chunk) * Wire::kBitsPerByte * kMicrosPerSecond / rate;
            std::this_thread::sleep_until(start + std::chrono::microseconds(micros));
        }
        const ssize_t n = write(m_master, bytes + sent, chunk);
        if (n <= 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return;
        }
        if (m_tracer)
            m_tracer(false, bytes + sent, static_cast<std::size_t>(n), rate);
        sent += static_cast<std::size_t>(n);
    }
}

void CPtyMicServer::Serve()
{
    std::vector<uint8_t> buffer(kReadChunk);
    std::vector<CMicSend> replies;
    Clock::time_point rxFreeAt = Clock::now();
    // When the microphone last answered: bytes it does not understand, such
    // as those of a program that no longer shares its mask, keep no session
    // alive.
    Clock::time_point lastActivity = Clock::now();
    while (!m_stop) {
        pollfd fd{m_master, POLLIN, 0};
        const int ready = poll(&fd, 1, kPollMs);
        if (m_mic.InProgramMode() && Clock::now() - lastActivity > kSessionIdleTimeout)
            m_mic.DropSession();
        if (ready <= 0)
            continue;
        if (!(fd.revents & POLLIN)) {
            std::this_thread::sleep_for(kIdlePause);
            continue;
        }
        m_busy = true;
        const ssize_t n = read(m_master, buffer.data(), buffer.size());
        if (n <= 0) {
            m_busy = false;
            std::this_thread::sleep_for(kIdlePause);
            continue;
        }
        const uint32_t rate = LineRate();
        if (m_paced && rate > 0) {
            // The program's bytes take their time on the line, too.
            const auto now = Clock::now();
            if (rxFreeAt < now)
                rxFreeAt = now;
            rxFreeAt += std::chrono::microseconds(static_cast<int64_t>(n) * Wire::kBitsPerByte *
                                                  kMicrosPerSecond / rate);
            std::this_thread::sleep_until(rxFreeAt);
        }
        if (m_noise)
            m_noise->Corrupt(buffer.data(), static_cast<std::size_t>(n));
        if (m_tracer)
            m_tracer(true, buffer.data(), static_cast<std::size_t>(n), rate);
        replies.clear();
        m_mic.Receive(buffer.data(), static_cast<std::size_t>(n), rate, replies);
        for (CMicSend& send : replies) {
            if (m_noise)
                m_noise->Corrupt(send.bytes.data(), send.bytes.size());
            if (send.delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(send.delayMs));
            // An answer at a rate the line does not run at is noise: dropped.
            if (AwaitRate(send.rate))
                SendPaced(send.bytes.data(), send.bytes.size(), send.rate);
        }
        if (!replies.empty())
            lastActivity = Clock::now();
        m_busy = false;
    }
}

bool CPtyMicServer::IsIdle() const
{
    // Bytes written on one side of a pseudo-terminal wait in the input
    // queue of the other until they are read.
    int toServer = 0;
    int toProgram = 0;
    if (ioctl(m_master, FIONREAD, &toServer) != 0 || ioctl(m_slave, FIONREAD, &toProgram) != 0)
        return !m_busy;
    return !m_busy && toServer == 0 && toProgram == 0;
}
