// doctor end to end, in-process, against the virtual microphone on a
// pseudo-terminal and against ports that are no serial ports at all.
#include "CliRig.h"

#include "sim/PtyMicServer.h"
#include "sim/VirtualMic.h"
#include "support/FifoWatchdog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class DoctorPtyTest : public CCliTest
{
protected:
    void SetUp() override
    {
        CCliTest::SetUp();
        std::string error;
        ASSERT_TRUE(m_server.Open(error)) << error;
        m_server.SetPaced(false);
        m_thread = std::thread([this] { m_server.Serve(); });
    }
    void TearDown() override
    {
        m_server.Stop();
        if (m_thread.joinable())
            m_thread.join();
        CCliTest::TearDown();
    }
    bool Says(const std::string& part) const { return m_out.str().find(part) != std::string::npos; }

    CVirtualMic m_mic;
    CPtyMicServer m_server{m_mic};
    std::thread m_thread;
};

// A process other than the test that holds a device open until it is killed.
class CHolderProcess
{
public:
    explicit CHolderProcess(const std::string& device)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only calls that are safe after fork() in a threaded process.
            // The descriptors of the test (the simulator's master among them)
            // are not the holder's.
            constexpr int kMostDescriptors = 1024;
            for (int other = STDERR_FILENO + 1; other < kMostDescriptors; ++other)
                if (other != ready[1])
                    ::close(other);
            const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
            const char state = fd >= 0 ? '1' : '0';
            if (::write(ready[1], &state, 1) != 1)
                ::_exit(1);
            while (true)
                ::pause();
        }
        ::close(ready[1]);
        char state = '0';
        m_holding = ::read(ready[0], &state, 1) == 1 && state == '1';
        ::close(ready[0]);
    }
    ~CHolderProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    CHolderProcess(const CHolderProcess&) = delete;
    CHolderProcess& operator=(const CHolderProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    bool Holding() const { return m_holding; }

private:
    pid_t m_pid = -1;
    bool m_holding = false;
};

} // namespace

TEST_F(DoctorPtyTest, ASimulatedMicrophoneAnswersWithItsModelAndRate)
{
    const std::string device = m_server.DevicePath();
    ASSERT_EQ(Run({"doctor", "--port", device}), 0) << m_out.str() << m_err.str();
    EXPECT_TRUE(Says("ok       port: " + device + " exists\n")) << m_out.str();
    EXPECT_TRUE(Says("ok       terminal: " + device + " is a pseudo-terminal\n"));
    EXPECT_TRUE(Says("ok       holders: no other process has " + device + " open"));
    EXPECT_TRUE(Says("ok       low-latency: low latency not offered by the port on " + device));
    EXPECT_TRUE(Says("ok       probe: a PVHM_812 answered, version "));
    EXPECT_TRUE(Says(", at 9600\n"));
    EXPECT_EQ(m_out.str().find("probe"), m_out.str().rfind("probe: ")) << "the probe comes last";

    ASSERT_EQ(Run({"doctor", "--port", device, "--json"}), 0);
    const QJsonObject result =
        QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str())).object();
    EXPECT_TRUE(result["ok"].toBool());
    EXPECT_EQ(result["device"].toString().toStdString(), device);
    const QJsonObject probe = result["probe"].toObject();
    EXPECT_EQ(probe["model"].toString(), "PVHM_812");
    EXPECT_EQ(probe["rate"].toInt(), 9600);
    const QJsonObject first = result["findings"].toArray()[0].toObject();
    EXPECT_EQ(first["kind"].toString(), "port");
    EXPECT_TRUE(first["ok"].toBool());
    EXPECT_TRUE(first["fix"].isNull());
}

TEST_F(DoctorPtyTest, ASilentMicrophoneGetsTheLikelyCauses)
{
    CMicFaults faults;
    faults.silent = true;
    m_mic.SetFaults(faults);
    ASSERT_EQ(Run({"doctor", "--port", m_server.DevicePath(), "--json"}), 1);
    const QJsonObject result =
        QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str())).object();
    EXPECT_FALSE(result["ok"].toBool());
    const QJsonObject probe = result["probe"].toObject();
    EXPECT_TRUE(probe["opened"].toBool());
    EXPECT_FALSE(probe["answered"].toBool());
    EXPECT_TRUE(probe["model"].isNull());
    EXPECT_GE(probe["causes"].toArray().size(), 3);
}

TEST_F(DoctorPtyTest, ADeviceThatAnswersAsAnotherModelIsNoSuccess)
{
    CMicFaults faults;
    faults.model = "PVHM_999";
    m_mic.SetFaults(faults);
    EXPECT_EQ(Run({"doctor", "--port", m_server.DevicePath()}), 1);
    EXPECT_TRUE(Says("PROBLEM  probe: a device answered at 9600 as model 'PVHM_999'"))
        << m_out.str();
    ASSERT_EQ(Run({"doctor", "--port", m_server.DevicePath(), "--json"}), 1);
    const QJsonObject result =
        QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str())).object();
    EXPECT_FALSE(result["ok"].toBool());
    const QJsonObject probe = result["probe"].toObject();
    EXPECT_TRUE(probe["answered"].toBool());
    EXPECT_FALSE(probe["knownModel"].toBool());
    EXPECT_EQ(probe["model"].toString(), "PVHM_999");
}

TEST_F(DoctorPtyTest, AnotherProcessHoldingThePortIsNamedByItsId)
{
    const CHolderProcess holder(m_server.DevicePath());
    ASSERT_TRUE(holder.Holding());
    Run({"doctor", "--port", m_server.DevicePath()});
    EXPECT_TRUE(Says("PROBLEM  holders: " + m_server.DevicePath() + " is held open by "))
        << m_out.str();
    EXPECT_TRUE(Says("(process " + std::to_string(holder.Pid()) + ")")) << m_out.str();
    EXPECT_TRUE(Says("kill " + std::to_string(holder.Pid())));
}

TEST_F(DoctorPtyTest, PathsThatAreNoSerialPortsAreSaidAtOnceAndNeverProbed)
{
    const CFifoWatchdog fifo(Path("fifo"), false);
    std::ofstream(Path("file")) << "not a port";
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/null", "PROBLEM  terminal: /dev/null is /dev/null"},
        {Path("fifo"), "PROBLEM  terminal: " + Path("fifo") + " is a FIFO"},
        {Path("file"), "PROBLEM  terminal: " + Path("file") + " is a regular file"},
        {Path("missing"), "PROBLEM  port: " + Path("missing") + " does not exist"},
    };
    for (const auto& [port, says] : cases) {
        EXPECT_EQ(Run({"doctor", "--port", port}), 1) << port;
        EXPECT_TRUE(Says(says)) << m_out.str();
        EXPECT_TRUE(Says("PROBLEM  probe: not probed: ")) << m_out.str();
    }
    EXPECT_FALSE(fifo.Fired()) << "the FIFO was never opened";
}
