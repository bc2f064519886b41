// The write command on several ports, on lines inside the test: the
// summary and exit code, and Ctrl+C while transfers are under way.
#include "CliRig.h"

#include "app/cli/CliSupport.h"
#include "app/cli/FleetCommand.h"
#include "app/cli/FleetConsole.h"
#include "app/cli/LabelInput.h"
#include "app/cli/TransferSupport.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "job/LogLayout.h"
#include "job/ProductionRun.h"
#include "job/TransferLog.h"
#include "link/FleetRig.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace {

class FleetCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_texts.SelectLanguage("English"));
        m_store.Reset();
        const CVirtualMic::Image image = PatternImage();
        std::copy(image.begin(), image.end(), m_store.WorkingImage());
    }

    // A log whose folder gives way to a file once the run has checked it and
    // the microphone on `port` hears its first bytes: every line is refused.
    void BreakTheLogOnceStarted(CFleetRigPort& port)
    {
        // A folder of this test's own: the tests run side by side.
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() /
            ("qzm-breaking-log-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
             std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        m_logPath = (folder / "log.csv").string();
        port.mic.SetReceiveHook([folder](const uint8_t*, std::size_t, uint32_t) {
            if (std::filesystem::is_directory(folder)) {
                std::filesystem::remove_all(folder);
                std::ofstream(folder) << "no folder";
            }
        });
    }

    // The port `first` takes its first microphone only once the port
    // `missing` has tried to open: a run that ends at once cannot end before
    // it is known that the other does not open.
    void WaitForTheMissingPort(const std::string& first, const std::string& missing)
    {
        HoldUntil(
            first, missing, [](const CFleetRigPort&) { return true; });
    }

    // The port `first` takes its first microphone only once the port
    // `other` has paused in the state `reached` asks for.
    void HoldUntil(const std::string& first, const std::string& other,
                   std::function<bool(const CFleetRigPort&)> reached)
    {
        m_otherReached = false;
        m_paused = [this, other, reached](CFleetRigPort& port) {
            if (port.name == other && reached(port))
                m_otherReached = true;
        };
        m_linkWanted = [this, first](const std::string& port) {
            for (int wait = 0; port == first && !m_otherReached && wait < 10000; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
    }

    CFleetRigPort& Port(const std::string& name)
    {
        auto& port = m_ports[name];
        if (!port)
            port = std::make_unique<CFleetRigPort>(name);
        return *port;
    }

    int Write(const std::vector<std::string>& ports, bool continuous, bool skipSame = false)
    {
        CTransferCommand command;
        command.name = "write";
        command.file = "mic.dat";
        command.continuous = continuous;
        command.count = m_count;
        command.askLabel = m_askLabel;
        command.serial = m_serial;
        command.yes = true;
        command.logPath = m_logPath;
        command.json = m_json;
        for (const std::string& name : ports)
            Port(name);
        CFleetSetup setup;
        setup.makeLink = [this](const std::string& port) {
            if (m_linkWanted)
                m_linkWanted(port);
            return m_ports.at(port)->MakeLink();
        };
        setup.pause = [this](const std::string& port, uint32_t ms) {
            m_ports.at(port)->Pause(ms);
            if (m_paused)
                m_paused(*m_ports.at(port));
        };
        setup.started = [this](CProductionRun& run) { m_runner = &run; };
        CCliContext context{m_store, m_texts, m_boxes, m_clock, m_in, m_out, m_err, m_terminal};
        std::atomic<bool> stop{false};
        context.stop = &stop;
        CLabelSource labels(context, command);
        if (const int refused = labels.Prepare(ports.size()))
            return refused;
        setup.labels = &labels;
        CJobSettings settings;
        settings.dataFile = "mic.dat";
        settings.skipSame = skipSame;
        settings.backupDir = m_backupDir;
        const CTransferLog log(m_logPath);
        settings.log = m_logPath.empty() ? nullptr : &log;
        const int code = RunFleetWrite(context, command, ports, settings, setup);
        m_runner = nullptr;
        return code;
    }

    CTextCatalog m_texts;
    CConfigStore m_store{&m_texts};
    CMessageBoxes m_boxes{m_texts};
    CFixedClock m_clock{10, 0, 0};
    std::istringstream m_in;
    std::ostringstream m_out;
    std::ostringstream m_err;
    std::map<std::string, std::unique_ptr<CFleetRigPort>> m_ports;
    CProductionRun* m_runner = nullptr;
    std::function<void(CFleetRigPort&)> m_paused;              // after each pause of a port
    std::function<void(const std::string& port)> m_linkWanted; // on the port's thread
    std::atomic<bool> m_otherReached{false};
    std::string m_logPath;
    bool m_json = false;     // --json
    int m_count = 0;         // --count
    bool m_askLabel = false; // --ask-label, the labels in m_in
    bool m_terminal = false; // the labels come from a terminal
    std::string m_serial;    // --serial
    std::string m_backupDir;
};

} // namespace

TEST_F(FleetCommandTest, CtrlCLetsTheTransfersInProgressFinishAndSumsUp)
{
    CFleetRigPort& a = Port("/dev/vmic-a");
    CFleetRigPort& b = Port("/dev/vmic-b");
    bool raised = false;
    a.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
        if (a.mic.BlocksStored() == 5 && !raised) {
            raised = true;
            std::raise(SIGINT); // Ctrl+C in the middle of port A's transfer
        }
    });

    EXPECT_EQ(Write({"/dev/vmic-a", "/dev/vmic-b"}, true), CliExit::kOk) << m_err.str();

    EXPECT_TRUE(raised);
    EXPECT_EQ(a.mic.BlocksStored(), 9) << "the transfer was not cut short";
    EXPECT_EQ(a.mic.GetImage(), PatternImage());
    EXPECT_TRUE(b.mic.BlocksStored() == 0 || b.mic.BlocksStored() == 9)
        << "port B's transfer, if it began, ended whole";
    const std::string out = m_out.str();
    EXPECT_NE(out.find("/dev/vmic-a: microphone 1: verified\n"), std::string::npos)
        << "read back, too: " << out;
    EXPECT_EQ(out.find("microphone 2"), std::string::npos) << "no new transfer began";
    EXPECT_NE(out.find("Summary:\n  /dev/vmic-a: 1 written and verified, 0 failed\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("In all: "), std::string::npos);
    EXPECT_NE(m_err.str().find("(Ctrl+C again ends at once)"), std::string::npos) << m_err.str();
}

TEST_F(FleetCommandTest, OnePortFailingFailsTheRunAndIsNamed)
{
    Port("/dev/vmic-c").line.SetWriteFails(true);
    EXPECT_EQ(Write({"/dev/vmic-a", "/dev/vmic-b", "/dev/vmic-c"}, false), CliExit::kFailure);

    EXPECT_EQ(Port("/dev/vmic-a").mic.GetImage(), PatternImage());
    EXPECT_EQ(Port("/dev/vmic-b").mic.GetImage(), PatternImage());
    const std::string out = m_out.str();
    EXPECT_NE(out.find("/dev/vmic-c: microphone 1: failed ("), std::string::npos) << out;
    EXPECT_NE(out.find("In all: 2 of 3 microphones written and verified. Failed: /dev/vmic-c "
                       "microphone 1."),
              std::string::npos)
        << out;
    const std::string err = m_err.str();
    EXPECT_NE(err.find("/dev/vmic-b: writing"), std::string::npos) << err;
    EXPECT_NE(err.find("/dev/vmic-b: finished"), std::string::npos) << err;
}

TEST_F(FleetCommandTest, AllPortsWrittenOnceIsSuccess)
{
    EXPECT_EQ(Write({"/dev/vmic-a", "/dev/vmic-b"}, false), CliExit::kOk);
    EXPECT_NE(m_out.str().find("In all: 2 of 2 microphones written and verified.\n"),
              std::string::npos)
        << m_out.str();
}

TEST_F(FleetCommandTest, EveryPortLogsToOneFileAndTheWorstOutcomeIsTheExitCode)
{
    // A microphone that goes silent once written cannot be read back.
    const auto silentOnceWritten = [](CFleetRigPort& port) {
        port.mic.SetStoredHandler([&port] {
            CMicFaults silent;
            silent.silent = true;
            port.mic.SetFaults(silent);
        });
    };
    silentOnceWritten(Port("/dev/vmic-b"));
    m_logPath = (std::filesystem::temp_directory_path() / "qzm-fleet-log.csv").string();
    std::filesystem::remove(m_logPath);
    EXPECT_EQ(Write({"/dev/vmic-a", "/dev/vmic-b"}, false), CliExit::kNotVerified);
    const std::string out = m_out.str();
    EXPECT_NE(out.find("/dev/vmic-b: microphone 1: written-not-verified (Written, not verified"),
              std::string::npos)
        << out;

    std::ifstream log(m_logPath);
    std::string header;
    std::getline(log, header);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u) << "one line per microphone";
    std::sort(lines.begin(), lines.end());
    EXPECT_NE(lines[0].find("/dev/vmic-a"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(",verified,"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(",written-not-verified,"), std::string::npos) << lines[1];
    std::filesystem::remove(m_logPath);

    silentOnceWritten(Port("/dev/vmic-d"));
    Port("/dev/vmic-c").line.SetWriteFails(true);
    EXPECT_EQ(Write({"/dev/vmic-d", "/dev/vmic-c"}, false), CliExit::kFailure)
        << "a failure outweighs a write not verified";
}

// A microphone read back with another image than the one written is a
// failure of the run, not a write that could not be verified.
TEST_F(FleetCommandTest, AMicrophoneThatDiffersAfterItsWriteFailsTheRun)
{
    CFleetRigPort& b = Port("/dev/vmic-b");
    b.mic.SetStoredHandler([&b] { b.mic.GetImage()[0x054B] ^= 0x01; });
    EXPECT_EQ(Write({"/dev/vmic-b"}, false), CliExit::kFailure);
    EXPECT_EQ(Write({"/dev/vmic-a", "/dev/vmic-b"}, false), CliExit::kFailure);
    const std::string out = m_out.str();
    EXPECT_NE(out.find("/dev/vmic-b: microphone 1: differs (Written but differs: block 6"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("  /dev/vmic-b: 0 written and verified, 1 failed (microphone 1)\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("In all: 1 of 2 microphones written and verified. Failed: /dev/vmic-b "
                       "microphone 1."),
              std::string::npos)
        << out;
}

TEST_F(FleetCommandTest, AMicrophoneVerifiedButNotLoggedFailsTheRun)
{
    BreakTheLogOnceStarted(Port("/dev/vmic-a"));
    EXPECT_EQ(Write({"/dev/vmic-a"}, false), CliExit::kFailure);
    EXPECT_EQ(Port("/dev/vmic-a").mic.GetImage(), PatternImage()) << "written all the same";
    const std::string out = m_out.str();
    EXPECT_NE(out.find("/dev/vmic-a: microphone 1: verified (cannot write the log "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("In all: 0 of 1 microphones written and verified."), std::string::npos)
        << out;
}

// Written but not read back, and its log line refused too: the missing
// line makes it a failure, not a write that could not be verified.
TEST_F(FleetCommandTest, AMicrophoneNotVerifiedAndNotLoggedFailsTheRun)
{
    CFleetRigPort& port = Port("/dev/vmic-a");
    port.mic.SetStoredHandler([&port] {
        CMicFaults silent;
        silent.silent = true;
        port.mic.SetFaults(silent);
    });
    BreakTheLogOnceStarted(port);
    EXPECT_EQ(Write({"/dev/vmic-a"}, false), CliExit::kFailure) << m_out.str();
    EXPECT_NE(m_out.str().find("written-not-verified (Written, not verified"), std::string::npos)
        << m_out.str();
}

// A production line run over microphones of which the second already
// holds the configuration: only the first and the third are written.
TEST_F(FleetCommandTest, AContinuousLineLeavesAProgrammedMicrophoneAlone)
{
    CFleetRigPort& line = Port("/dev/vmic-line");
    line.PlayBatch(2000, 3, 2);
    m_paused = [&](CFleetRigPort& port) {
        // The station judges a unit as soon as it sees it; the operator
        // then takes the programmed one away as if written.
        if (port.swap->Current() == 2)
            port.swap->NoteWritten();
        if (port.swap->Plugged() == 3 && port.writes[2] == 1 && m_runner)
            m_runner->RequestStop();
    };
    EXPECT_EQ(Write({"/dev/vmic-line"}, true, true), CliExit::kOk) << m_err.str();
    EXPECT_EQ(line.writes, (std::vector<int>{1, 0, 1}));
    const std::string out = m_out.str();
    EXPECT_NE(out.find("/dev/vmic-line: microphone 2: unchanged"), std::string::npos) << out;
    EXPECT_NE(out.find("/dev/vmic-line: microphone 3: verified"), std::string::npos) << out;
}

// Ctrl+C on a line whose port opened every time but never saw a
// microphone: nothing went wrong, and the port is not said to be missing.
TEST_F(FleetCommandTest, CtrlCBeforeAnyMicrophoneOnAnOpenPortIsNoFailure)
{
    CFleetRigPort& line = Port("/dev/vmic-empty");
    line.mic.SetPlugged(false);
    bool raised = false;
    m_paused = [&](CFleetRigPort& port) {
        if (!raised && port.line.OpenCount() >= 3) {
            raised = true;
            std::raise(SIGINT);
        }
    };
    EXPECT_EQ(Write({"/dev/vmic-empty"}, true), CliExit::kOk) << m_out.str();
    EXPECT_TRUE(raised);
    const std::string out = m_out.str();
    EXPECT_EQ(out.find("did not open"), std::string::npos) << out;
    EXPECT_NE(out.find("/dev/vmic-empty: 0 written and verified, 0 failed\n"), std::string::npos)
        << out;
}

TEST(FleetConsole, AStatusLineCountsBlocksOnlyOnceTheyMove)
{
    CTextCatalog texts;
    ASSERT_TRUE(texts.SelectLanguage("English"));
    std::ostringstream out;
    std::ostringstream progress;
    CFleetConsole console({"COM3"}, texts, out, progress, CFleetConsole::Progress::kLive);
    console.OnState(0, PortState::kWriting);
    EXPECT_EQ(console.StatusLine(0), "COM3  writing");
    console.OnBlock(0, 3, 9);
    EXPECT_NE(console.StatusLine(0).find("Block 3 / 9"), std::string::npos)
        << console.StatusLine(0);
    console.OnState(0, PortState::kRemoving);
    EXPECT_EQ(console.StatusLine(0), "COM3  waiting for removal");

    // On a terminal out and progress are one screen: once the summary is
    // printed, the status lines above it are left as they are, and a late
    // word (a Ctrl+C after the end) goes below the summary.
    std::ostringstream screen;
    CFleetConsole live({"COM3"}, texts, screen, screen, CFleetConsole::Progress::kLive);
    live.OnState(0, PortState::kWriting);
    live.PrintSummary({CPortTotals{}}, CRunSummary{}, true);
    const std::size_t summary = screen.str().size();
    live.OnStopRequested();
    EXPECT_EQ(screen.str().find("\x1b[", summary), std::string::npos)
        << "nothing above the summary is cleared";
}

TEST(FleetPorts, PortListsFromCommasAndRepeatedOptions)
{
    const QTemporaryDir settings;
    const CTestSettings isolated(settings.path().toStdString());
    const std::string pinned = settings.filePath("cable").toStdString();
    std::ofstream(pinned) << "";
    QSettings(QStringLiteral("ZEPHRAN"), QStringLiteral("QZM530RX"))
        .setValue(QStringLiteral("Ports/COM4"), QString::fromStdString(pinned));
    std::vector<CPortChoice> chosen;
    std::vector<std::string> ports;
    std::string error;
    const auto parse = [&](const std::vector<std::string>& values) {
        ports.clear();
        const bool parsed = ParsePortList(values, chosen, error);
        for (const CPortChoice& choice : chosen)
            ports.push_back(choice.name);
        return parsed;
    };
    // Each port by its one name: the log and the console say COM3 for 3,
    // com3 and COM3 alike, and a relative path in full; each looked up once,
    // to the device its link opens.
    ASSERT_TRUE(parse({"3,com4", "/dev/ttyUSB0", "vmic"}));
    EXPECT_EQ(ports,
              (std::vector<std::string>{"COM3", "COM4", "/dev/ttyUSB0",
                                        (std::filesystem::current_path() / "vmic").string()}));
    EXPECT_EQ(chosen[0].device, "") << "COM3 leads nowhere";
    EXPECT_EQ(chosen[1].device, pinned);
    EXPECT_EQ(chosen[2].device, "/dev/ttyUSB0");
    EXPECT_TRUE(IsFleetWrite(false, ports));

    // One port under two names is one port: never two transfers on one line.
    for (const std::string& bad :
         {std::string("3,,4"), std::string("3,"), std::string(",3"), std::string("5,5"),
          std::string("3,03"), std::string("3,COM3"), std::string("com3,\\\\.\\COM3"),
          std::string("/dev/pts/9,/dev//pts/9"), std::string("/dev/pts/9,/dev/pts/./9"),
          "4," + pinned})
        EXPECT_FALSE(parse({bad})) << bad;
    EXPECT_FALSE(parse({"5", "5"}));
    ASSERT_TRUE(parse({"5"}));
    EXPECT_FALSE(IsFleetWrite(false, ports)) << "one port, once: the plain write";
    EXPECT_TRUE(IsFleetWrite(true, ports)) << "a production line on one port";
}

TEST(FleetPorts, RepeatAndTraceStayWithOnePort)
{
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    const CFixedClock clock;
    for (const char* option : {"--repeat", "--trace"}) {
        EXPECT_EQ(RunCli({"qzm530rx-cli", "write", "--port", "/dev/a,/dev/b", "missing.dat", option,
                          "--yes"},
                         in, out, err, false, clock),
                  CliExit::kUsage)
            << option;
    }
}

namespace {

// The number of the microphones written on each port of a batch.
int Written(const CFleetRigPort& port)
{
    int written = 0;
    for (const int writes : port.writes)
        written += writes > 0 ? 1 : 0;
    return written;
}

} // namespace

// --count 3 on two lines: the run ends by itself with exactly three
// microphones done well; a failure on one port is put aside, does not
// count, and another microphone is taken for it; a port whose adapter is
// missing leaves the quantity to the other.
TEST_F(FleetCommandTest, ACountEndsTheRunWithThatManyGoodMicrophones)
{
    enum class Trouble
    {
        kNone,
        kFailingMicrophone,
        kMissingPort
    };
    for (const Trouble trouble :
         {Trouble::kNone, Trouble::kFailingMicrophone, Trouble::kMissingPort}) {
        SCOPED_TRACE(static_cast<int>(trouble));
        m_ports.clear();
        m_out.str({});
        m_err.str({});
        CFleetRigPort& a = Port("/dev/vmic-a");
        CFleetRigPort& b = Port("/dev/vmic-b");
        a.PlayBatch(2000, 10);
        b.PlayBatch(2000, 10);
        if (trouble == Trouble::kFailingMicrophone) {
            CMicFaults refusing;
            refusing.nakWrites = 3; // B's first microphone: its first block, three times
            b.mic.SetFaults(refusing);
            // Else A may do all three before B has tried its first.
            HoldUntil("/dev/vmic-a", "/dev/vmic-b",
                      [](const CFleetRigPort& port) { return port.swap->Plugged() >= 2; });
        }
        if (trouble == Trouble::kMissingPort) {
            b.line.SetDeviceName("/dev/elsewhere");
            WaitForTheMissingPort("/dev/vmic-a", "/dev/vmic-b");
        }
        m_count = 3;
        EXPECT_EQ(Write({"/dev/vmic-a", "/dev/vmic-b"}, true),
                  trouble == Trouble::kNone ? CliExit::kOk : CliExit::kFailure)
            << m_err.str();
        m_count = 0;
        m_paused = nullptr;
        m_linkWanted = nullptr;
        // The refused one stored nothing.
        EXPECT_EQ(Written(a) + Written(b), 3) << m_out.str();
        EXPECT_TRUE(trouble != Trouble::kMissingPort || Written(a) == 3);
        const std::string out = m_out.str();
        EXPECT_NE(out.find("In all: 3 of 3 microphones written and verified."), std::string::npos)
            << out;
        const std::string err = m_err.str();
        EXPECT_NE(err.find("Programming 3 microphones on 2 ports"), std::string::npos) << err;
        EXPECT_EQ(err.find("PUT ASIDE: /dev/vmic-b microphone 1: Write failed") !=
                      std::string::npos,
                  trouble == Trouble::kFailingMicrophone)
            << err;
        EXPECT_EQ(err.find('\a'), std::string::npos) << "no bell off a terminal";
        EXPECT_EQ(err.find("Ctrl+C again"), std::string::npos) << "nobody pressed Ctrl+C";
    }
}

// The JSON summary of a line names the port whose adapter never opened.
TEST_F(FleetCommandTest, TheJsonSummarySaysWhichPortsOpened)
{
    Port("/dev/vmic-a").PlayBatch(2000, 3);
    Port("/dev/vmic-b").line.SetDeviceName("/dev/elsewhere");
    WaitForTheMissingPort("/dev/vmic-a", "/dev/vmic-b");
    m_count = 1;
    m_json = true;
    EXPECT_EQ(Write({"/dev/vmic-a", "/dev/vmic-b"}, true), CliExit::kFailure);
    m_json = false;
    m_count = 0;
    m_paused = nullptr;
    m_linkWanted = nullptr;
    std::string last;
    std::istringstream out(m_out.str());
    for (std::string line; std::getline(out, line);)
        last = line;
    const QJsonObject summary = QJsonDocument::fromJson(QByteArray::fromStdString(last)).object();
    ASSERT_TRUE(summary["summary"].toBool()) << last;
    const QJsonArray ports = summary["ports"].toArray();
    ASSERT_EQ(ports.size(), 2);
    EXPECT_TRUE(ports[0].toObject()["opened"].toBool());
    EXPECT_FALSE(ports[1].toObject()["opened"].toBool());
}

// --ask-label: each microphone's label from the input, in order, into the
// result lines, the log and the backups' names. A refused label is asked
// again at a terminal; from a pipe the run ends at it, naming its line, so
// that no label goes to another microphone. A label that the log shows done
// well is refused.
TEST_F(FleetCommandTest, LabelsFromTheInputNameEachMicrophoneAndNeverShift)
{
    const QTemporaryDir folder;
    m_logPath = folder.filePath("run.csv").toStdString();
    m_backupDir = folder.filePath("before").toStdString();
    const struct
    {
        bool terminal;
        const char* input;
        std::vector<std::string> labels; // of the microphones written
        const char* said;
    } cases[] = {
        {false, "SN-1\r\nS\x01N\nSN-2\n", {"SN-1"}, "(line 2 of the labels); the run ends"},
        {true, "SN-3\r\nS\x01N\nSN-4\n", {"SN-3", "SN-4"}, "it holds a control character."},
        {false, "SN-5\nSN-1\nSN-6\n", {"SN-5"}, "SN-1 was used already on /dev/vmic-line"},
        {true, "SN-3\nSN-7\n", {"SN-7"}, "SN-3 was used already"},
    };
    std::vector<std::string> logged;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        m_ports.clear();
        m_err.str({});
        m_out.str({});
        CFleetRigPort& line = Port("/dev/vmic-line");
        line.PlayBatch(2000, 5);
        m_askLabel = true;
        m_terminal = c.terminal;
        m_in.clear();
        m_in.str(c.input);
        Write({"/dev/vmic-line"}, true);
        m_askLabel = false;
        m_terminal = false;
        EXPECT_EQ(Written(line), static_cast<int>(c.labels.size()));
        EXPECT_NE(m_err.str().find(c.said), std::string::npos) << m_err.str();
        logged.insert(logged.end(), c.labels.begin(), c.labels.end());
    }

    std::ifstream log(m_logPath, std::ios::binary);
    const std::vector<CCsvRecord> rows =
        ParseCsv(std::string(std::istreambuf_iterator<char>(log), {}));
    std::vector<std::string> labels;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        CLogEntry entry;
        ASSERT_TRUE(ReadLogEntry(rows[i].fields, kNewestLog, entry));
        if (entry[LogColumn::kOperation] == "write")
            labels.push_back(entry[LogColumn::kLabel]);
    }
    EXPECT_EQ(labels, logged) << "each microphone with its own label";
    std::vector<std::string> backups;
    for (const auto& entry : std::filesystem::directory_iterator(m_backupDir))
        backups.push_back(entry.path().filename().string());
    std::sort(backups.begin(), backups.end());
    ASSERT_EQ(backups.size(), logged.size());
    EXPECT_NE(backups[0].find("_SN-1"), std::string::npos) << backups[0];
}

// --serial on two ports: each microphone takes the next number as it
// starts, none twice, none skipped; a second run on the same log goes on
// after the highest.
TEST_F(FleetCommandTest, SerialNumbersCountOnAcrossPortsAndRuns)
{
    const QTemporaryDir folder;
    m_logPath = folder.filePath("run.csv").toStdString();
    m_serial = "SN-{0001}";
    std::vector<std::string> numbers;
    for (const int run : {1, 2}) {
        SCOPED_TRACE(run);
        m_ports.clear();
        Port("/dev/vmic-a").PlayBatch(2000, 10);
        Port("/dev/vmic-b").PlayBatch(2000, 10);
        m_count = 3;
        EXPECT_EQ(Write({"/dev/vmic-a", "/dev/vmic-b"}, true), CliExit::kOk) << m_err.str();
        m_count = 0;
    }
    m_serial.clear();
    std::ifstream log(m_logPath, std::ios::binary);
    const std::vector<CCsvRecord> rows =
        ParseCsv(std::string(std::istreambuf_iterator<char>(log), {}));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        CLogEntry entry;
        ASSERT_TRUE(ReadLogEntry(rows[i].fields, kNewestLog, entry));
        numbers.push_back(entry[LogColumn::kLabel]);
    }
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<std::string>{"SN-0001", "SN-0002", "SN-0003", "SN-0004",
                                                 "SN-0005", "SN-0006"}));
}
