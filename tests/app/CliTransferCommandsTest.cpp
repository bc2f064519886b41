#include "CliRig.h"
#include "app/cli/ConsolePresenter.h"
#include "support/FifoWatchdog.h"
#include "text/MessageStyle.h"

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// The far end of a pseudo-terminal that stands in for the programming
// cable: what the tool sends arrives here.
class CCableEnd
{
public:
    CCableEnd()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            m_device = ::ptsname(m_master);
    }
    ~CCableEnd()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    CCableEnd(const CCableEnd&) = delete;
    CCableEnd& operator=(const CCableEnd&) = delete;

    const std::string& Device() const { return m_device; }
    // Whether any byte has arrived.
    bool Received() const
    {
        char byte = 0;
        return ::read(m_master, &byte, 1) == 1;
    }

private:
    int m_master = -1;
    std::string m_device;
};

using CliTransferCommandsTest = CCliTest;

// The confirmation is asked on stderr; a declined or unanswered one says
// "Cancelled." there, and without a terminal it is not asked at all but
// refused, naming --yes. No byte reaches the port in any of these cases.
TEST_F(CliTransferCommandsTest, ConfirmationDeclinedOrUnaskedSendsNothing)
{
    CCableEnd cable;
    ASSERT_FALSE(cable.Device().empty());
    ASSERT_EQ(Run({"new", Path("mic.dat")}), 0);
    const std::vector<std::string> read = {"read", "--port", cable.Device(), Path("x.dat")};
    const std::vector<std::string> write = {"write", "--port", cable.Device(), Path("mic.dat")};

    for (const auto& command : {read, write}) {
        for (const char* answer : {"n\n", ""}) {
            EXPECT_EQ(RunWithInput(command, answer, true), 1) << command[0] << answer;
            EXPECT_EQ(m_out.str(), "") << command[0] << answer;
            EXPECT_NE(m_err.str().find("Confirmation: Is it OK to"), std::string::npos)
                << m_err.str();
            EXPECT_NE(m_err.str().find("Cancelled.\n"), std::string::npos) << command[0] << answer;
        }

        EXPECT_EQ(RunWithInput(command, "y\n", false), 1) << command[0];
        EXPECT_EQ(m_out.str(), "");
        EXPECT_NE(m_err.str().find("--yes"), std::string::npos) << m_err.str();
        EXPECT_EQ(m_err.str().find("Is it OK"), std::string::npos) << "nothing asked";
        EXPECT_EQ(m_in.tellg(), 0) << "the input was not read";
    }
    EXPECT_FALSE(cable.Received());
    EXPECT_FALSE(std::filesystem::exists(Path("x.dat")));
}

// A log that is no regular file is refused before the confirmation, at once
// and without a byte on the port: a FIFO without a reader would otherwise
// hold the command in its open for good.
TEST_F(CliTransferCommandsTest, LogThatIsNoRegularFileIsRefusedAtOnce)
{
    CCableEnd cable;
    ASSERT_FALSE(cable.Device().empty());
    ASSERT_EQ(Run({"new", Path("mic.dat")}), 0);
    const std::string fifo = Path("run.csv");
    CFifoWatchdog watchdog(fifo, false);
    ASSERT_TRUE(watchdog.Made());
    for (const std::string& log : {fifo, m_dir.string()}) {
        for (const char* command : {"read", "write"}) {
            const std::string file = Path(std::string(command) == "read" ? "new.dat" : "mic.dat");
            EXPECT_EQ(Run({command, "--port", cable.Device(), file, "--yes", "--log", log}), 1)
                << command << " " << log;
            EXPECT_EQ(m_err.str(), "cannot write the log " + log + "\n") << command;
        }
    }
    EXPECT_FALSE(watchdog.Fired()) << "a command waited on the FIFO";
    EXPECT_FALSE(cable.Received());
}

} // namespace
#endif

// The program's boxes on a terminal: a message of information (or of no
// kind) on stdout with the results, a warning or an error on stderr.
TEST(ConsolePresenter, InformationGoesToStdoutWarningsAndErrorsToStderr)
{
    using namespace MessageStyle;
    const std::pair<unsigned, bool> cases[] = {{kOk | kIconInformation, true},
                                               {kOk, true},
                                               {kOk | kIconExclamation, false},
                                               {kOk | kIconStop, false}};
    for (const auto& [style, toOut] : cases) {
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        CConsolePresenter presenter(in, out, err);
        EXPECT_EQ(presenter.Present(nullptr, "text", "Title", style), MessageAnswer::kOk);
        EXPECT_EQ(out.str(), toOut ? "text\n" : "") << style;
        EXPECT_EQ(err.str(), toOut ? "" : "text\n") << style;
    }
}
