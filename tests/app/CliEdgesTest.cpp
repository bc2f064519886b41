// The edges of what the tool takes, each tried at the last value that
// passes and the first that does not, and what its commands of several
// steps still do once a first step has failed.
#include "CliLineRig.h"

#include "app/cli/TransferSupport.h"
#include "job/MicLabel.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <QJsonArray>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using CliEdgesTest = CCliLineTest;

// Every number the transfer commands read, and the COM range, at both ends.
TEST_F(CliEdgesTest, NumbersAndPortsAreTakenUpToTheirLimitAndRefusedPastIt)
{
    struct CCase
    {
        const char* option;
        const char* value;
        bool taken;
        long read; // the value taken, for the numbers
    };
    const CCase cases[] = {
        {"--port", "1", true, 0},
        {"--port", "20", true, 0},
        {"--port", "COM20", true, 0},
        {"--port", "3,20", true, 0},
        {"--port", "21", false, 0},
        {"--port", "COM21", false, 0},
        {"--port", "3,21", false, 0},
        {"--port", "0", false, 0},
        {"--port", "COM0", false, 0},
        {"--port", "300", false, 0},
        {"--count", "1", true, 1},
        {"--count", "0", false, 0},
        {"--count", "1000000", true, 1000000},
        {"--count", "1000001", false, 0},
        {"--verify-wait", "0", true, 0},
        {"--verify-wait", "3600", true, 3600000},
        {"--verify-wait", "3601", false, 0},
    };
    CTextCatalog texts;
    ASSERT_TRUE(texts.SelectLanguage("English"));
    CConfigStore store(&texts);
    CMessageBoxes boxes(texts);
    for (const CCase& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " " + c.value);
        m_err.str({});
        CCliContext context{store, texts, boxes, m_clock, m_in, m_out, m_err, false};
        CCliArgs args;
        args.positional = {"mic.dat"};
        args.options = {{c.option, c.value}, {"--continuous", ""}};
        CTransferCommand command;
        EXPECT_EQ(ReadTransferCommand(context, args, "write", command),
                  c.taken ? CliExit::kOk : CliExit::kUsage)
            << m_err.str();
        EXPECT_EQ(m_err.str().empty(), c.taken) << m_err.str();
        const std::string option = c.option;
        const long read = !c.taken                    ? 0
                          : option == "--count"       ? command.count
                          : option == "--verify-wait" ? static_cast<long>(command.verifyWaitMs)
                                                      : 0;
        EXPECT_EQ(read, c.read);
    }
}

// read and doctor talk to one microphone: a list of ports is refused
// before any port is opened, never taken for the name of a device.
TEST(PortLists, ReadAndDoctorTakeOnePort)
{
    const struct
    {
        std::vector<std::string> words;
        const char* said;
    } cases[] = {
        {{"read", "--port", "3,4", "x.dat"}, "read: --port names one port here, not 3,4"},
        {{"read", "--port", "3", "--port", "4", "x.dat"}, "not --port 3 --port 4"},
        {{"doctor", "--port", "3,4"}, "doctor: --port names one port here, not 3,4"},
        {{"doctor", "--port", "0"}, "doctor: 0: COM numbers go from 1 to"},
    };
    const CFixedClock clock;
    for (const auto& c : cases) {
        std::vector<std::string> argv{"qzm530rx-cli"};
        argv.insert(argv.end(), c.words.begin(), c.words.end());
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunCli(argv, in, out, err, false, clock), CliExit::kUsage) << c.said;
        EXPECT_NE(err.str().find(c.said), std::string::npos) << err.str();
    }
}

// A label is at most 64 characters, a scanner's CR dropped first, with no
// control character.
TEST(Labels, ALabelIsTakenUpTo64CharactersWithoutControlCharacters)
{
    const std::pair<std::string, bool> cases[] = {
        {std::string(64, 'x'), true},
        {std::string(65, 'x'), false},
        {std::string(64, 'x') + "\r", true},
        {std::string(64, 'x') + "\r\r", false},
        {"SN-\x1f", false},
        {"SN-\x7f", false},
        {"SN-~ 1", true},
    };
    for (const auto& [given, taken] : cases) {
        std::string label = given;
        EXPECT_EQ(CheckLabel(label) == LabelFault::kNone, taken) << given.size() << " characters";
        EXPECT_TRUE(!taken || label.back() != '\r');
    }
}

// On a terminal a refused label is asked again, and the next one answered
// goes to the same microphone; the one after to the next.
TEST_F(CliEdgesTest, ARefusedLabelAtATerminalIsAskedAgainForTheSameMicrophone)
{
    const std::string longest(64, 'L');
    m_terminal = true;
    m_in.clear();
    m_in.str(longest + "x\n" + longest + "\nSN-2\n\n");
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("mic.dat"), "--yes", "--repeat", "--ask-label",
                   "--quiet", "--json"}),
              CliExit::kOk)
        << m_err.str();
    std::vector<std::string> labels;
    for (const QJsonObject& line : JsonLines())
        if (!line["summary"].toBool())
            labels.push_back(line["label"].toString().toStdString());
    EXPECT_EQ(labels, (std::vector<std::string>{longest, "SN-2"})) << m_out.str();
}

// A text file is read whole up to its limit and refused one byte past it,
// also where the limit meets the reader's buffer.
TEST_F(CliEdgesTest, TextFilesAreReadUpToTheirLimitAndRefusedPastIt)
{
    for (const std::size_t largest : {std::size_t(10), std::size_t(1) << 16}) {
        for (const std::size_t size : {largest, largest + 1}) {
            SCOPED_TRACE(std::to_string(largest) + " / " + std::to_string(size));
            std::ofstream(Path("text.csv"), std::ios::binary) << std::string(size, 'a');
            std::string text;
            std::string problem;
            EXPECT_EQ(ReadTextFile(Path("text.csv"), largest, "log", text, problem),
                      size == largest);
            EXPECT_EQ(problem, size == largest ? "" : "too long for a log");
            EXPECT_TRUE(size != largest || text.size() == size);
        }
    }

    // A profile of 1 MiB applies; one byte more is refused and writes nothing.
    constexpr std::size_t kLargestProfile = std::size_t(1) << 20;
    for (const std::size_t size : {kLargestProfile, kLargestProfile + 1}) {
        std::string profile(size, ' ');
        profile.front() = '#';
        profile.back() = '\n';
        std::ofstream(Path("big.txt"), std::ios::binary) << profile;
        const std::string before = Bytes("mic.dat");
        EXPECT_EQ(Run({"set", Path("mic.dat"), "--from", Path("big.txt")}),
                  size == kLargestProfile ? CliExit::kOk : CliExit::kFailure)
            << size << ": " << m_err.str();
        EXPECT_EQ(Has(m_err.str(), "too long for a profile"), size > kLargestProfile);
        EXPECT_TRUE(size == kLargestProfile || Bytes("mic.dat") == before);
    }

#ifndef _WIN32
    // A log one byte past 256 MiB (a sparse file: nothing is written to
    // disk) is named and not summed.
    constexpr std::size_t kLargestLog = std::size_t(256) << 20;
    {
        std::ofstream(Path("huge.csv"));
    }
    std::filesystem::resize_file(Path("huge.csv"), kLargestLog + 1);
    EXPECT_EQ(Run({"report", Path("huge.csv")}), CliExit::kFailure);
    EXPECT_TRUE(Has(m_err.str(), "huge.csv: too long for a log")) << m_err.str();
#endif
}

// A backup whose read fails writes nothing; the next microphone of the same
// run is backed up and written as if nothing had happened.
TEST_F(CliEdgesTest, AfterAFailedBackupTheNextMicrophoneIsBackedUpAndWritten)
{
    CFleetRigPort& port = Port(kPortA);
    CMicFaults dropping;
    dropping.dropAfterBlock = 3; // once: the first backup read breaks off
    port.mic.SetFaults(dropping);
    const std::string backups = Path("backups");
    m_in.clear();
    m_in.str("\nq\n");
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--quiet", "--repeat",
                   "--backup", backups, "--json", "--log", Path("run.csv")}),
              CliExit::kFailure)
        << m_err.str();
    const std::vector<QJsonObject> lines = JsonLines();
    ASSERT_EQ(lines.size(), 3u) << m_out.str();
    EXPECT_EQ(lines[0]["result"].toString(), "failed");
    EXPECT_EQ(lines[1]["result"].toString(), "verified");
    EXPECT_EQ(port.mic.BlocksStored(), 9) << "the second microphone only was written, once";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(backups), {}), 1);
}

} // namespace

namespace {

// What a shop names as the log or the backup folder must be one: a data
// file, a profile or a text is refused before the port is touched, and left
// as it was, also when labels are asked.
TEST_F(CliEdgesTest, ALogIsALogAndAFolderIsAFolder)
{
    ASSERT_EQ(Run({"info", Path("mic.dat"), "--settings"}), 0);
    std::ofstream(Path("profile.txt")) << m_out.str();
    std::ofstream(Path("notes.txt")) << "time, port and result of the day\n";
    const std::vector<std::vector<std::string>> commands = {
        {"write", "--port", kPortA, Path("other.dat"), "--yes", "--log"},
        {"write", "--port", kPortA, Path("other.dat"), "--yes", "--repeat", "--ask-label", "--log"},
        {"verify", "--port", kPortA, Path("other.dat"), "--log"},
        {"read", "--port", kPortA, Path("new.dat"), "--yes", "--log"},
    };
    for (const char* name : {"mic.dat", "profile.txt", "notes.txt"}) {
        const std::string before = Bytes(name);
        for (std::vector<std::string> words : commands) {
            SCOPED_TRACE(std::string(name) + " " + words[0]);
            words.push_back(Path(name));
            m_ports.clear();
            EXPECT_EQ(Cli(words), CliExit::kUsage);
            EXPECT_TRUE(Has(m_err.str(), Path(name) + " is no log of qzm530rx-cli")) << m_err.str();
            EXPECT_EQ(Port(kPortA).line.OpenCount(), 0) << "the microphone saw no session";
            EXPECT_EQ(Bytes(name), before);
        }
        EXPECT_EQ(Run({"report", Path(name)}), CliExit::kFailure) << name;
        EXPECT_EQ(Bytes(name), before);
    }
    m_ports.clear();
    EXPECT_EQ(
        Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--backup", Path("mic.dat")}),
        CliExit::kUsage);
    EXPECT_EQ(Port(kPortA).line.OpenCount(), 0);
}

} // namespace
