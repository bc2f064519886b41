#include "job/TransferLog.h"
#include "job/PendingLine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

CMicRecord Record(const std::string& port)
{
    CMicRecord record;
    record.time = "2024-05-01T10:15:30+02:00";
    record.port = port;
    record.device = "/dev/ttyUSB0";
    record.model = "PVHM_812";
    record.version = "V1.00";
    record.operation = Operation::kWrite;
    record.file = "/f/mic.dat";
    record.sha256 = std::string(64, 'a');
    record.result = JobResult::kVerified;
    record.holds = Holds::kNew;
    record.unit = "3fa9c21e0b17";
    record.durationMs = 12345;
    return record;
}

std::string Message(int n)
{
    return "line " + std::to_string(n) + ", with a comma";
}

// The line of record `n` of `port` as the newest log holds it.
std::string Line(const std::string& port, int n)
{
    return CsvLine(LogFields(Record(port), Message(n), kNewestLog));
}

bool Append(const CTransferLog& log, const std::string& port, int n, std::string& error)
{
    bool notALog = false;
    return log.Append(Record(port), Message(n), error, notALog);
}

// The local time now as the log writes it, with TZ set to `zone`; TZ is
// put back after.
std::string IsoTimeIn(const char* zone)
{
    const char* const saved = std::getenv("TZ");
    const std::string previous = saved ? saved : "";
    setenv("TZ", zone, 1);
    tzset();
    const std::string time = IsoLocalTimeNow();
    if (saved)
        setenv("TZ", previous.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    return time;
}

// Appends `count` records from the writer named `port`.
void AppendMany(const std::string& path, const std::string& port, int count)
{
    const CTransferLog log(path);
    for (int n = 0; n < count; ++n) {
        std::string error;
        if (!Append(log, port, n, error))
            return;
    }
}

// Every line after the header is a whole record, and each writer's lines
// are all there, in its order.
void ExpectWholeLines(const std::string& path, const std::vector<std::string>& writers, int count)
{
    const std::vector<std::string> lines = Lines(ReadAll(path));
    ASSERT_EQ(lines.size(), 1 + writers.size() * static_cast<std::size_t>(count));
    EXPECT_EQ(lines[0], LogHeader(kNewestLog));
    std::map<std::string, int> next;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t comma = line.find(',', line.find(',') + 1);
        const std::string port = line.substr(line.find(',') + 1, comma - line.find(',') - 1);
        const std::string expected = Line(port, next[port]++);
        EXPECT_EQ(line + "\r\n", expected) << "line " << i;
    }
    for (const std::string& writer : writers)
        EXPECT_EQ(next[writer], count) << writer;
}

} // namespace

TEST(TransferLog, QuotesAsRfc4180Says)
{
    EXPECT_EQ(CsvLine({"plain", "a,b", "say \"hi\"", "two\nlines", "cr\r", ""}),
              "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\"cr\r\",\r\n");
    EXPECT_EQ(Line("COM3", 1),
              "2024-05-01T10:15:30+02:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,write,/f/mic.dat," +
                  std::string(64, 'a') +
                  ",verified,\"line 1, with a comma\",12.345,,3fa9c21e0b17,done,,new\r\n")
        << "no label; no cause";
}

// A log goes on in the version it began in, whatever the tool writes now;
// a file that is no log is not touched.
TEST(TransferLog, ALogGoesOnInItsOwnVersionAndAnythingElseIsLeftAlone)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath("run.csv").toStdString();
    const CTransferLog log(path);
    std::string error;
    ASSERT_TRUE(Append(log, "COM3", 0, error)) << error;
    ASSERT_TRUE(Append(log, "COM3", 1, error)) << error;
    EXPECT_EQ(ReadAll(path), LogHeader(kNewestLog) + "\r\n" + Line("COM3", 0) + Line("COM3", 1));

    for (const LogVersion version : {LogVersion::kFirst, LogVersion::kLabels}) {
        const std::string old = folder.filePath("old.csv").toStdString();
        std::ofstream(old, std::ios::binary) << LogHeader(version) << "\r\n";
        ASSERT_TRUE(Append(CTransferLog(old), "COM4", 2, error)) << error;
        EXPECT_EQ(ReadAll(old), LogHeader(version) + "\r\n" +
                                    CsvLine(LogFields(Record("COM4"), Message(2), version)));
        EXPECT_EQ(ParseCsv(ReadAll(old)).back().fields.size(), ColumnCount(version));
    }

    const std::string profile = folder.filePath("shop.txt").toStdString();
    std::ofstream(profile, std::ios::binary) << "Battery Save = on  # 1007\n";
    bool notALog = false;
    EXPECT_FALSE(CTransferLog(profile).Append(Record("COM3"), "x", error, notALog));
    EXPECT_TRUE(notALog);
    EXPECT_EQ(ReadAll(profile), "Battery Save = on  # 1007\n");
    LogVersion version = kNewestLog;
    EXPECT_EQ(InspectLog(profile, version), LogFileState::kNotALog);
    EXPECT_EQ(InspectLog(folder.filePath("none.csv").toStdString(), version), LogFileState::kNew);
    EXPECT_EQ(InspectLog(folder.path().toStdString(), version), LogFileState::kNotWritable);
    EXPECT_EQ(InspectLog(folder.filePath("no/such/run.csv").toStdString(), version),
              LogFileState::kNotWritable)
        << "a new log whose folder is not there cannot be made";

    const std::string missing = folder.filePath("no/such/folder/run.csv").toStdString();
    EXPECT_FALSE(Append(CTransferLog(missing), "COM3", 0, error));
    EXPECT_FALSE(error.empty());
}

// A line held for a stop that must end the process at once is written by
// WritePendingLinesNow, the header first into an empty log; a line let go
// is not.
TEST(TransferLog, AHeldLineIsWrittenOnlyWhileHeld)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath("run.csv").toStdString();
    {
        CPendingLine pending;
        pending.Hold(path, LogHeader(kNewestLog) + "\r\n", Line("COM3", 7));
        WritePendingLinesNow();
        WritePendingLinesNow();
    }
    EXPECT_EQ(ReadAll(path), LogHeader(kNewestLog) + "\r\n" + Line("COM3", 7)) << "once";
    {
        CPendingLine pending;
        pending.Hold(path, "header\r\n", Line("COM4", 8));
        pending.Hold(path, "header\r\n", Line("COM4", 9));
        pending.Release();
        WritePendingLinesNow();
        pending.Hold(path, "header\r\n", Line("COM4", 10));
        WritePendingLinesNow();
    }
    EXPECT_EQ(ReadAll(path), LogHeader(kNewestLog) + "\r\n" + Line("COM3", 7) + Line("COM4", 10))
        << "the line held last, no header into a log that has one";
}

// A line that the disk takes only in part (a full disk, a file size
// limit) is taken back whole, so that the next line does not join the
// fragment and both records stay readable.
TEST(TransferLog, ALineWrittenInPartIsTakenBack)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath("run.csv").toStdString();
    const CTransferLog log(path);
    std::string error;
    ASSERT_TRUE(Append(log, "COM3", 0, error)) << error;
    const std::string before = ReadAll(path);

    // The file may grow by half a line only.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = before.size() + Line("COM3", 1).size() / 2;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool appended = Append(log, "COM3", 1, error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(appended);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadAll(path), before);
    ASSERT_TRUE(Append(log, "COM3", 2, error)) << error;
    EXPECT_EQ(ReadAll(path), before + Line("COM3", 2));
}

TEST(TransferLog, WritersAppendingAtOnceNeitherInterleaveNorLoseLines)
{
    constexpr int kLines = 300;
    QTemporaryDir folder;
    {
        // Two processes.
        const std::string path = folder.filePath("processes.csv").toStdString();
        std::vector<pid_t> children;
        for (const char* port : {"COM3", "COM4"}) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                AppendMany(path, port, kLines);
                _exit(0);
            }
            children.push_back(child);
        }
        for (const pid_t child : children) {
            int status = 0;
            waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        ExpectWholeLines(path, {"COM3", "COM4"}, kLines);
    }
    {
        // Two threads of one process.
        const std::string path = folder.filePath("threads.csv").toStdString();
        std::thread first(AppendMany, path, "COM5", kLines);
        std::thread second(AppendMany, path, "COM6", kLines);
        first.join();
        second.join();
        ExpectWholeLines(path, {"COM5", "COM6"}, kLines);
    }
}

TEST(TransferLog, TimeStampsAndHash)
{
    const std::string time = IsoLocalTimeNow();
    ASSERT_EQ(time.size(), 25u) << time;
    EXPECT_EQ(time[10], 'T');
    EXPECT_TRUE(time[19] == '+' || time[19] == '-');
    EXPECT_EQ(time[22], ':');
    EXPECT_EQ(FileTimeStampNow().size(), 15u);

    // The offset from UTC: east is "+", west "-", with the minutes.
    const struct
    {
        const char* zone;
        const char* offset;
    } zones[] = {{"Asia/Kolkata", "+05:30"}, {"IST-5:30", "+05:30"}, {"NST3:30", "-03:30"},
                 {"EST5", "-05:00"},         {"UTC0", "+00:00"},     {"XYZ-14", "+14:00"}};
    for (const auto& z : zones) {
        // A zone by its name needs the system's zone data; the others are
        // rules of their own.
        const std::string zone = z.zone;
        if (zone.find('/') != std::string::npos && !std::ifstream("/usr/share/zoneinfo/" + zone))
            continue;
        const std::string zoned = IsoTimeIn(z.zone);
        EXPECT_EQ(zoned.substr(19), z.offset) << zone << ": " << zoned;
    }
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(Sha256Hex(abc, sizeof abc),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}
