// read and write of the command-line tool against the virtual microphone on
// a pseudo-terminal, served from a thread: what goes to stdout and stderr.
#include "CliRig.h"

#include "sim/PtyMicServer.h"
#include "sim/VirtualMic.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class CliPtyTest : public CCliTest
{
protected:
    void SetUp() override
    {
        CCliTest::SetUp();
        std::string error;
        ASSERT_TRUE(m_server.Open(error)) << error;
        m_server.SetPaced(false);
        m_thread = std::thread([this] { m_server.Serve(); });
        ASSERT_EQ(Run({"new", Path("mic.dat")}), 0);
    }
    void TearDown() override
    {
        m_server.Stop();
        if (m_thread.joinable())
            m_thread.join();
        CCliTest::TearDown();
    }

    // Runs the tool with no terminal on stdin; `errIsTerminal` for stderr.
    int RunTransfer(std::vector<std::string> words, bool errIsTerminal)
    {
        words.insert(words.begin(), "qzm530rx-cli");
        m_out.str({});
        m_err.str({});
        return RunCli(words, m_in, m_out, m_err, false, m_clock, errIsTerminal);
    }
    QJsonObject OutputJson() const
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str())).object();
    }
    static std::size_t Count(const std::string& text, const std::string& part)
    {
        std::size_t count = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + 1))
            ++count;
        return count;
    }

    CVirtualMic m_mic;
    CPtyMicServer m_server{m_mic};
    std::thread m_thread;
};

} // namespace

// Into a pipe or a file stdout holds only the result; the progress is a line
// for each block on stderr, rewritten in place only on a terminal, and none
// with --quiet.
TEST_F(CliPtyTest, StdoutHoldsOnlyResultsAndProgressSuitsStderr)
{
    const std::string device = m_server.DevicePath();
    ASSERT_EQ(
        RunTransfer({"read", "--port", device, Path("out.dat"), "--yes", "--no-verify"}, false), 0)
        << m_err.str();
    EXPECT_EQ(m_out.str(), "Reading completed.\n");
    EXPECT_EQ(m_err.str().find('\r'), std::string::npos);
    EXPECT_EQ(Count(m_err.str(), "Block 9 / 9\n"), 1u) << m_err.str();
    EXPECT_EQ(Count(m_err.str(), "\n"), 10u) << "the caption and one line a block";
    EXPECT_EQ(Count(m_err.str(), "Block 0 /"), 0u) << "as lines, the count starts with block 1";

    ASSERT_EQ(
        RunTransfer({"read", "--port", device, Path("out.dat"), "--yes", "--no-verify", "--force"},
                    true),
        0);
    EXPECT_EQ(m_out.str(), "Reading completed.\n");
    EXPECT_NE(m_err.str().find("\rBlock 9 / 9"), std::string::npos) << m_err.str();

    ASSERT_EQ(RunTransfer({"write", "--port", device, Path("out.dat"), "--yes", "--quiet"}, true),
              0);
    EXPECT_EQ(m_out.str(),
              "Writing completed.\nVerified: the microphone holds the image written.\n");
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(CliPtyTest, JsonOfReadAndWriteIsTheOnlyThingOnStdout)
{
    const std::string device = m_server.DevicePath();
    ASSERT_EQ(RunTransfer({"read", "--port", device, Path("out.dat"), "--yes", "--json"}, false), 0)
        << m_err.str();
    QJsonObject result = OutputJson();
    EXPECT_EQ(result["command"].toString(), "read");
    EXPECT_TRUE(result["ok"].toBool());
    EXPECT_TRUE(result["saved"].toBool());
    EXPECT_EQ(result["message"].toString(), "Reading completed.");
    EXPECT_EQ(result["device"].toString().toStdString(), device);
    EXPECT_TRUE(result["openFailure"].isNull());
    EXPECT_TRUE(result["cause"].isNull());
    EXPECT_EQ(result["model"].toString(), "PVHM_812");
    EXPECT_EQ(result["sha256"].toString().size(), 64);
    EXPECT_TRUE(std::filesystem::exists(Path("out.dat")));

    ASSERT_EQ(
        RunTransfer({"write", "--port", device, Path("mic.dat"), "--yes", "--json", "--trace"},
                    false),
        0);
    result = OutputJson();
    EXPECT_EQ(result["command"].toString(), "write");
    EXPECT_TRUE(result["ok"].toBool());
    EXPECT_EQ(result["message"].toString(), "Writing completed.");
    EXPECT_EQ(result["result"].toString(), "verified");
    EXPECT_NE(m_err.str().find("plain:"), std::string::npos) << "the trace goes to stderr";
    EXPECT_NE(m_err.str().find("low latency not offered by the port"), std::string::npos);

    // Two microphones in a row, then q.
    m_in.clear();
    m_in.str("\nq\n");
    ASSERT_EQ(
        RunTransfer({"write", "--port", device, Path("mic.dat"), "--yes", "--json", "--repeat"},
                    false),
        0);
    // JSON Lines: each microphone, then the summary.
    std::vector<QJsonObject> lines;
    std::istringstream out(m_out.str());
    for (std::string line; std::getline(out, line);)
        lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
    ASSERT_EQ(lines.size(), 3u) << m_out.str();
    EXPECT_EQ(lines[1]["microphone"].toInt(), 2);
    EXPECT_EQ(lines[1]["result"].toString(), "verified");
    EXPECT_EQ(lines[2]["done"].toInt(), 2);
    EXPECT_EQ(lines[2]["failed"].toInt(), 0);
}

namespace {

// Ctrl+C in the tool's own process at block 3 of a write: it stops at the
// next step, says so at once, logs the stop, leaves no lock file, and ends
// as SIGINT ends a program, so that a shell loop stops with it. A second
// Ctrl+C right after the first ends at once with the interrupt's status,
// on one port as on a production line, and leaves no lock file either.
TEST_F(CliPtyTest, CtrlCInAWriteEndsCleanlyWithTheInterruptsStatus)
{
    // Tries of 10 ms for the tool to take the first Ctrl+C: a minute.
    constexpr int kPatience = 6000;
    struct CCase
    {
        bool continuous;
        int interrupts;
    };
    for (const CCase c : {CCase{false, 1}, CCase{false, 2}, CCase{true, 2}}) {
        SCOPED_TRACE(std::string(c.continuous ? "continuous, " : "one port, ") +
                     std::to_string(c.interrupts) + " Ctrl+C");
        // A microphone of its own: one that a second Ctrl+C left in the
        // middle of a session would not hear the next entry.
        CVirtualMic microphone;
        CPtyMicServer server(microphone);
        std::string error;
        ASSERT_TRUE(server.Open(error)) << error;
        server.SetPaced(false);
        struct CServing
        {
            CPtyMicServer& server;
            std::thread thread;
            ~CServing()
            {
                server.Stop();
                thread.join();
            }
        } serving{server, std::thread([&server] { server.Serve(); })};
        const std::string device = server.DevicePath();
        std::atomic<pid_t> child{0};
        std::atomic<bool> locked{false};
        std::string lockName = device.substr(std::string("/dev/").size());
        std::replace(lockName.begin(), lockName.end(), '/', '_');
        const std::string lockPath = "/run/lock/LCK.." + lockName;
        microphone.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
            if (microphone.BlocksStored() != 3 || child == 0)
                return;
            locked = ::access(lockPath.c_str(), F_OK) == 0;
            const pid_t pid = child.exchange(0);
            ::kill(pid, SIGINT);
            // Two signals sent at once may arrive as one: the second goes
            // once the tool has said that it heard the first.
            for (int wait = 0; c.interrupts > 1 && wait < kPatience; ++wait) {
                if (Bytes("err.txt").find("Stopping") != std::string::npos) {
                    ::kill(pid, SIGINT);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        const std::string err = Path("err.txt");
        const std::string log = Path("run.csv");
        std::filesystem::remove(log);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string mic = Path("mic.dat");
        std::vector<std::string> words = {QZM_CLI_BINARY, "write", "--port", device, mic,
                                          "--yes",        "--log", log};
        if (c.continuous)
            words.push_back("--continuous");
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, QZM_CLI_BINARY, &files, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&files);
        child = pid;
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);

        const std::string said = Bytes("err.txt");
        if (c.interrupts == 1) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
            EXPECT_NE(said.find("Stopping at the next step (Ctrl+C again ends at once)."),
                      std::string::npos)
                << said;
            EXPECT_NE(
                said.find("Interrupted. The microphone may now hold part of the new configuration"),
                std::string::npos)
                << said;
            EXPECT_NE(Bytes("run.csv").find(",write," + mic), std::string::npos);
            EXPECT_NE(Bytes("run.csv").find(",interrupted,"), std::string::npos)
                << Bytes("run.csv");
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == CliExit::kInterrupted)
                << "status " << status << "\n"
                << said;
            // What was held ready for the stop: where the microphone was left.
            const std::string logged = Bytes("run.csv");
            EXPECT_NE(logged.find(",interrupted,"), std::string::npos) << logged;
            EXPECT_NE(logged.find(",block,interrupted,part-of-each\r\n"), std::string::npos)
                << logged;
        }
        // Where the system keeps the lock files of ports.
        EXPECT_TRUE(!locked || ::access(lockPath.c_str(), F_OK) != 0)
            << lockPath << " was left behind";
    }
}

} // namespace

namespace {

// Ctrl+C while --repeat waits for the next microphone: the question gives
// way, the run sums up, and the tool ends as the signal ends a program.
TEST_F(CliPtyTest, CtrlCAtTheQuestionForTheNextMicrophoneEndsTheRun)
{
    int input[2] = {-1, -1};
    ASSERT_EQ(::pipe(input), 0); // stays open and silent: nobody presses Enter
    const std::string err = Path("err.txt");
    const std::string out = Path("out.txt");
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&files, input[1]);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> words = {QZM_CLI_BINARY,  "write", "--port",  m_server.DevicePath(),
                                      Path("mic.dat"), "--yes", "--repeat"};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, QZM_CLI_BINARY, &files, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    ::close(input[0]);
    // Tries of 10 ms for the question to come: a minute.
    for (int wait = 0;
         wait < 6000 && Bytes("err.txt").find("Connect the next") == std::string::npos; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::close(input[1]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
    EXPECT_NE(Bytes("out.txt").find("In all: 1 of 1 microphones written and verified."),
              std::string::npos)
        << Bytes("out.txt") << Bytes("err.txt");
}

} // namespace
