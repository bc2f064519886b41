#include "core/Clock.h"
#include "link/MicLink.h"
#include "link/PortLock.h"
#include "link/QtSerialDevice.h"
#include "link/TickClock.h"
#include "sim/PtyMicServer.h"
#include "sim/VirtualMic.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

// Real time that stands still while the microphone has the word: while a
// byte of the program's waits for the server or is being answered, or an
// answer waits for the program. A reply window thus ends only once the
// microphone had nothing more to say, however late a busy machine let the
// server run; while nothing is under way it runs at the real pace.
class CServedTickClock : public ITickClock
{
public:
    explicit CServedTickClock(const CPtyMicServer& server) : m_server(server) {}

    uint32_t NowMs() const override
    {
        const uint32_t real = CSteadyTickClock::Instance().NowMs();
        if (!m_server.IsIdle())
            m_held += real - m_last;
        m_last = real;
        return real - m_held;
    }
    void WaitTurn(uint32_t) override {}

private:
    const CPtyMicServer& m_server;
    mutable uint32_t m_last = CSteadyTickClock::Instance().NowMs();
    mutable uint32_t m_held = 0;
};

// The virtual microphone served on a real pseudo-terminal from a thread of
// its own, reached through the system's serial port on the served clock.
class PtyLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_server.Open(error)) << error;
        m_server.SetPaced(false);
        m_thread = std::thread([this] { m_server.Serve(); });
        m_link.SetDeviceName(m_server.DevicePath());
        m_link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    }
    void TearDown() override
    {
        m_link.Close();
        m_server.Stop();
        if (m_thread.joinable())
            m_thread.join();
    }

    bool Connect()
    {
        uint8_t id[Wire::kIdBufferSize] = {};
        return m_link.SetOpen(1) == 1 && m_link.EnterProgramMode() == 0 &&
               m_link.Identify(id) == 0 && m_link.IsKnownModel(id);
    }

    CVirtualMic m_mic;
    CPtyMicServer m_server{m_mic};
    CFixedClock m_local{9, 17, 42};
    CServedTickClock m_ticks{m_server};
    CMicLink m_link{SystemDeviceFactory(m_ticks), m_ticks, m_local};
    std::thread m_thread;
};

} // namespace

TEST_F(PtyLink, ReadsAndWritesAllBlocksThroughTheSystemPort)
{
    for (std::size_t i = 0; i < Wire::kImageSize; ++i)
        m_mic.GetImage()[i] = static_cast<uint8_t>(i * 31 + 7);

    ASSERT_TRUE(Connect());
    EXPECT_TRUE(m_link.IsRs232()) << "a pseudo-terminal is a serial line of its own";
    EXPECT_TRUE(m_link.IsLineClean());
    EXPECT_EQ(m_link.LowLatencyState(), LowLatency::NotOffered)
        << "a pseudo-terminal has no driver's serial flags, and opens all the same";
    std::vector<uint8_t> image(Wire::kImageSize);
    for (int block = 0; block < static_cast<int>(Wire::kBlockCount); ++block)
        ASSERT_EQ(
            m_link.ReadBlock({image.data() + Wire::kBlockSize * block, Wire::kBlockSize}, block), 0)
            << block;
    EXPECT_EQ(m_link.EndProgramMode(), 0);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), m_mic.GetImage().begin()));

    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i < 256 ? 0x5A : i * 3);
    ASSERT_TRUE(Connect());
    ASSERT_EQ(m_link.PrepareWrite(), 0);
    for (int block = 0; block < static_cast<int>(Wire::kBlockCount); ++block)
        ASSERT_EQ(
            m_link.WriteBlock({image.data() + Wire::kBlockSize * block, Wire::kBlockSize}, block),
            0)
            << block;
    EXPECT_EQ(m_link.EndProgramMode(), 0);
    EXPECT_EQ(m_link.Close(), 1);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), m_mic.GetImage().begin()));
}

namespace {

// A driver's serial flags, kept apart from the port that asks for them.
struct CDriverFlags
{
    static constexpr int kOther = 0x0050;
    int flags = kOther;
    std::vector<int> sets;
};

// The driver is reached through the open port only, as its requests are.
class CFakeDriverFlags : public ISerialFlags
{
public:
    CFakeDriverFlags(CDriverFlags& driver, const QSerialPort& port) : m_driver(driver), m_port(port)
    {
    }
    bool Get(int& flags) override
    {
        if (!m_port.isOpen())
            return false;
        flags = m_driver.flags;
        return true;
    }
    bool Set(int flags) override
    {
        if (!m_port.isOpen())
            return false;
        m_driver.sets.push_back(flags);
        m_driver.flags = flags;
        return true;
    }

private:
    CDriverFlags& m_driver;
    const QSerialPort& m_port;
};

} // namespace

// Low latency is asked for at each opening; closing the port, or dropping
// it open, gives the adapter the flags it had before.
TEST_F(PtyLink, ClosingGivesTheAdapterBackItsSerialFlags)
{
    constexpr int kLow = CLowLatencyRequest::kLowLatencyFlag;
    CDriverFlags driver;
    {
        CQtSerialDevice device(m_ticks);
        device.SetSerialFlagsSource([&driver](QSerialPort& port) {
            return std::make_unique<CFakeDriverFlags>(driver, port);
        });
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(device.Open(m_server.DevicePath())) << round;
            EXPECT_EQ(device.LowLatencyState(), LowLatency::Granted);
            EXPECT_EQ(driver.flags, CDriverFlags::kOther | kLow);
            if (round == 0) {
                device.Close();
                EXPECT_EQ(driver.flags, CDriverFlags::kOther) << "closed";
                EXPECT_EQ(device.LowLatencyState(), LowLatency::NotOffered);
            }
        }
    }
    EXPECT_EQ(driver.flags, CDriverFlags::kOther) << "dropped while open";
    EXPECT_EQ(driver.sets, (std::vector<int>{CDriverFlags::kOther | kLow, CDriverFlags::kOther,
                                             CDriverFlags::kOther | kLow, CDriverFlags::kOther}));
}

// A second Ctrl+C ends the process at once: the lock file of a port it has
// open goes with it, a lock file of another process stays.
TEST_F(PtyLink, TheLocksOfOpenPortsAreRemovedAtOnceAndNoOthers)
{
    const std::string device = m_server.DevicePath();
    std::string name = device.substr(std::string("/dev/").size());
    std::replace(name.begin(), name.end(), '/', '_');
    CQtSerialDevice port(m_ticks);
    ASSERT_TRUE(port.Open(device));
    std::string lock;
    for (const char* folder : {"/var/lock", "/run/lock", "/tmp"})
        if (lock.empty() && ::access((std::string(folder) + "/LCK.." + name).c_str(), F_OK) == 0)
            lock = std::string(folder) + "/LCK.." + name;
    if (lock.empty())
        GTEST_SKIP() << "no lock folder this process may write";
    const std::string foreign =
        lock.substr(0, lock.rfind('/')) + "/LCK..qzm-foreign-" + std::to_string(::getpid());
    std::ofstream(foreign) << "         1\n"; // held by process 1
    NotePortLock("/dev/qzm-foreign-" + std::to_string(::getpid()));

    RemovePortLocksNow();
    EXPECT_NE(::access(lock.c_str(), F_OK), 0) << lock << " is left";
    EXPECT_EQ(::access(foreign.c_str(), F_OK), 0) << "another process's lock was removed";
    std::remove(foreign.c_str());
    port.Close();
}
