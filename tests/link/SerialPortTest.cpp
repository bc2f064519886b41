#include "link/LinkRig.h"

#include "link/SerialPort.h"

#include <gtest/gtest.h>

#include <chrono>

TEST(ModeString, ParsesEveryFieldAndRejectsNonsense)
{
    CLineSettings line;
    ASSERT_TRUE(ParseModeString("19200,E,7,1.5", line));
    EXPECT_EQ(line.rate, 19200u);
    EXPECT_EQ(line.parity, 'E');
    EXPECT_EQ(line.dataBits, 7);
    EXPECT_EQ(line.halfStopBits, 3);

    for (const char* parity : {"N", "O", "M", "S", "e"})
        EXPECT_TRUE(ParseModeString(std::string("9600,") + parity + ",8,2", line)) << parity;
    ASSERT_TRUE(ParseModeString("4800", line));
    EXPECT_EQ(line.rate, 4800u);
    EXPECT_EQ(line.parity, 'E') << "fields that are missing keep their values";

    const CLineSettings before = line;
    for (const char* bad : {"", ",N,8,2", "96x0,N,8,2", "9600,X,8,2", "9600,N,9,2", "9600,N,4,2",
                            "9600,N,8,3", "9600,N,8,2,1", "0,N,8,2"}) {
        EXPECT_FALSE(ParseModeString(bad, line)) << bad;
        EXPECT_EQ(line, before) << bad;
    }
}

// A wait tells the clock at each turn how long is left, and ends once the
// counter has moved on by the time asked, across a wrap of the counter too.
TEST(TickClock, AWaitAsksForWhatIsLeftUntilItHasPassed)
{
    struct CHalvingClock : ITickClock
    {
        uint32_t now = 0xFFFFFFF0u;
        std::vector<uint32_t> asked;
        uint32_t NowMs() const override { return now; }
        void WaitTurn(uint32_t leftMs) override
        {
            asked.push_back(leftMs);
            now += (leftMs + 1) / 2;
        }
    } clock;
    WaitMs(clock, 40);
    EXPECT_EQ(clock.now, 0xFFFFFFF0u + 40u);
    EXPECT_EQ(clock.asked, (std::vector<uint32_t>{40, 20, 10, 5, 2, 1}));
    WaitMs(clock, 0);
    EXPECT_EQ(clock.asked.size(), 6u);

    const auto start = std::chrono::steady_clock::now();
    WaitMs(CSleepingTickClock::Instance(), 20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(SerialPort, DefaultsAndBlanksInSettings)
{
    CLinkRig rig;
    CSerialPort& port = rig.link;
    EXPECT_EQ(port.GetPortNumber(), 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetSettings(), "9600,N,8,2");
    EXPECT_EQ(port.GetReadTimeout(), 1000u);

    EXPECT_EQ(port.SetSettings("19200, N, 8, 1"), 1);
    EXPECT_EQ(port.GetSettings(), "19200,N,8,1");
    ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(rig.line.Line().rate, 19200u);
    EXPECT_EQ(rig.line.Line().halfStopBits, 2);
    EXPECT_TRUE(rig.line.Dtr());
    EXPECT_FALSE(rig.line.Rts());

    EXPECT_EQ(port.SetSettings("4800 ,E,7,2"), 1);
    EXPECT_EQ(rig.line.Line().rate, 4800u);
    EXPECT_EQ(rig.line.Line().parity, 'E');
    EXPECT_EQ(port.SetSettings("fast"), 0) << "a bad string is refused by the open port";
}

TEST(SerialPort, OpenCloseAndPortNumbers)
{
    CLinkRig rig;
    CSerialPort& port = rig.link;
    EXPECT_EQ(port.SetOpen(0), 1);
    EXPECT_EQ(rig.line.OpenCount(), 0) << "closing a closed port touches nothing";

    EXPECT_EQ(port.SetPortNumber(7), 1);
    EXPECT_EQ(port.GetPortNumber(), 7);
    EXPECT_EQ(rig.line.OpenCount(), 0) << "a closed port only stores the number";

    ASSERT_EQ(port.SetOpen(1), 1);
    EXPECT_EQ(port.SetOpen(1), 1);
    EXPECT_EQ(rig.line.OpenCount(), 1) << "opening an open port touches nothing";

    EXPECT_EQ(port.SetPortNumber(0), 1);
    EXPECT_EQ(port.GetPortNumber(), 7) << "0 is ignored";
    EXPECT_EQ(rig.line.OpenCount(), 2) << "but an open port is still reopened";
    EXPECT_EQ(port.SetPortNumber(3), 1);
    EXPECT_EQ(port.GetPortNumber(), 3);
    EXPECT_EQ(rig.line.OpenCount(), 3);

    EXPECT_EQ(port.Close(), 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(rig.line.IsOpen());
    EXPECT_EQ(port.WriteByte(0x41), 0);
    uint8_t byte = 0;
    EXPECT_EQ(port.Read(&byte, 1), 0);

    port.SetDeviceName("/dev/absent");
    EXPECT_EQ(port.Open(), 0);
    EXPECT_FALSE(port.IsOpen()) << "a device that does not open leaves the flag at 0";
}

TEST(SerialPort, PortNumbersOnWindowsTakeTheNamespaceFormFromTen)
{
    EXPECT_EQ(WindowsPortName(9), "COM9");
    EXPECT_EQ(WindowsPortName(10), "\\\\.\\COM10");
    EXPECT_EQ(WindowsPortName(0), "");
}

TEST(SerialPort, ReadNeedsTheWholeCountWithinTheTimeout)
{
    CLinkRig rig;
    ASSERT_EQ(rig.link.Open(), 1);
    ASSERT_EQ(rig.link.EnterProgramMode(), 0);
    rig.link.SetReadTimeout(1000);
    // Ask for the 48-byte identification record, then read one byte more.
    ASSERT_EQ(rig.link.WriteByte(0x02), 1);
    uint8_t record[49] = {};
    const uint32_t before = rig.ticks.NowMs();
    EXPECT_EQ(rig.link.CSerialPort::Read(record, 49), 0);
    EXPECT_EQ(rig.ticks.NowMs() - before, 1000u) << "the read waited out its whole time-out";
}

TEST(SerialPort, WriteDiscardsBytesNotYetRead)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    const uint8_t mask = rig.link.GetMask();
    // Ask for block 0 and leave the answer unread.
    const uint8_t request[] = {static_cast<uint8_t>(0x52 ^ mask), mask, mask};
    ASSERT_EQ(rig.link.CSerialPort::WriteBuffer(request, 3), 1);
    rig.ticks.Advance(100);
    // The end command: its ACK is the only byte left to read.
    ASSERT_EQ(rig.link.WriteByte(0x15), 1); // NAK: the microphone acknowledges it
    uint8_t byte = 0;
    ASSERT_EQ(rig.link.Read(&byte, 1), 1);
    EXPECT_EQ(byte, 0x06);
}

#ifdef _WIN32
#include <windows.h>

TEST(SerialPort, RealtimeScopeRestoresThePriorityInForceBefore)
{
    const DWORD before = GetPriorityClass(GetCurrentProcess());
    {
        const CRealtimeScope scope;
        if (scope.IsRaised())
            EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(REALTIME_PRIORITY_CLASS));
    }
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), before);
}
#else
#include <pthread.h>
#include <sched.h>

namespace {
struct CScheduling
{
    int policy = 0;
    int priority = 0;
    bool operator==(const CScheduling& other) const
    {
        return policy == other.policy && priority == other.priority;
    }
};

CScheduling CurrentScheduling()
{
    CScheduling scheduling;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &scheduling.policy, &param) == 0)
        scheduling.priority = param.sched_priority;
    return scheduling;
}
} // namespace

TEST(SerialPort, RealtimeScopeRaisesWhereAllowedAndRestoresThePriorityInForceBefore)
{
    const CScheduling before = CurrentScheduling();
    {
        const CRealtimeScope scope;
        const CScheduling inside = CurrentScheduling();
        if (scope.IsRaised()) {
            EXPECT_EQ(inside.policy, SCHED_FIFO);
            EXPECT_EQ(inside.priority, sched_get_priority_max(SCHED_FIFO));
        } else {
            EXPECT_TRUE(inside == before) << "a refused raise changes nothing";
        }
    }
    EXPECT_TRUE(CurrentScheduling() == before);
}
#endif

#ifndef _WIN32
#include "link/SettingsPortPins.h"

#include <QSettings>
#include <QTemporaryDir>

#include <unistd.h>

TEST(SerialPort, PortNumbersOnLinuxComeFromTheSettingsFirst)
{
    // Each test runs in a process of its own: the settings land in a
    // folder of this test's.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    {
        QSettings settings(QStringLiteral("ZEPHRAN"), QStringLiteral("QZM530RX"));
        settings.setValue(QStringLiteral("Ports/COM7"), QStringLiteral("/dev/vmic"));
    }
    EXPECT_EQ(CSerialPort::PortDeviceName(7), "/dev/vmic");
    EXPECT_EQ(CSerialPort::PortDeviceName(0), "");
    EXPECT_EQ(CSerialPort::PortDeviceName(250), "") << "no system has that many ports";

    CLinkRig rig;
    rig.link.SetDeviceName("");
    EXPECT_EQ(rig.link.SetPortNumber(7), 1);
    EXPECT_EQ(rig.link.OpenName(), "/dev/vmic");
    EXPECT_EQ(rig.link.Open(), 1) << "COM7 reaches the device stored for it";
}

TEST(SerialPort, APinnedNumberOpensTheNodeItsStableNameLeadsTo)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    // A link such as /dev/serial/by-id/... names the device; the node is opened.
    const std::string link = home.filePath(QStringLiteral("by-id-cable")).toStdString();
    ASSERT_EQ(::symlink("/dev/null", link.c_str()), 0);
    {
        QSettings settings(QStringLiteral("ZEPHRAN"), QStringLiteral("QZM530RX"));
        settings.setValue(QStringLiteral("Ports/COM19"), QString::fromStdString(link));
        settings.setValue(QStringLiteral("Ports/COM20"), QStringLiteral("/dev/serial/by-id/gone"));
    }
    EXPECT_EQ(CSerialPort::PortStableName(19), link);
    EXPECT_EQ(CSerialPort::PortDeviceName(19), "/dev/null");
    EXPECT_EQ(CSerialPort::PortStableName(20), "/dev/serial/by-id/gone");
    EXPECT_EQ(CSerialPort::PortDeviceName(20), "/dev/serial/by-id/gone")
        << "unplugged: the opening fails on the name it was pinned by";
    const QSettings settings(QStringLiteral("ZEPHRAN"), QStringLiteral("QZM530RX"));
    EXPECT_EQ(settings.value(QStringLiteral("Ports/COM20")).toString(),
              QStringLiteral("/dev/serial/by-id/gone"))
        << "the pin of a device that is not present is kept";
}

TEST(SerialPort, ASimulatorLendsAPinnedNumberAndGivesItBack)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    CSettingsPortPins pins;
    pins.Set(4, "/dev/ttyS0");
    pins.Lend(4, "/dev/pts/3");
    EXPECT_EQ(pins.All().at(4), "/dev/pts/3");
    EXPECT_EQ(pins.Lent().at(4), "/dev/ttyS0");
    pins.GiveBack(4, "/dev/pts/3");
    EXPECT_EQ(pins.All().at(4), "/dev/ttyS0");
    EXPECT_TRUE(pins.Lent().empty());

    pins.Lend(6, "/dev/pts/3");
    EXPECT_TRUE(pins.Lent().empty()) << "nothing was pinned to COM6";
    pins.GiveBack(6, "/dev/pts/3");
    EXPECT_EQ(pins.All().count(6), 0u);

    // Changed by the user while lent: the user's pin stays.
    pins.Lend(4, "/dev/pts/5");
    pins.Set(4, "/dev/ttyUSB0");
    pins.GiveBack(4, "/dev/pts/5");
    EXPECT_EQ(pins.All().at(4), "/dev/ttyUSB0");

    // A second lender of a number already lent (the first ended without
    // giving it back) keeps the pin set aside, which comes back in the end.
    pins.Set(7, "/dev/ttyUSB1");
    pins.Lend(7, "/dev/pts/7");
    pins.Lend(7, "/dev/pts/8");
    EXPECT_EQ(pins.Lent().at(7), "/dev/ttyUSB1");
    pins.GiveBack(7, "/dev/pts/8");
    EXPECT_EQ(pins.All().at(7), "/dev/ttyUSB1");
}
#endif
