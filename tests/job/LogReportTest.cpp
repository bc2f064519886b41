// The sums of transfer logs, counted in microphones: by day and port,
// whatever version each log is, the lines that could not be read named and
// left out, and what is left to do.
#include "job/LogReport.h"
#include "job/TransferLog.h"

#include <gtest/gtest.h>

namespace {

// An old station's log, without the label column; one message holds a
// comma and a quote, one line is cut short, a backup that went well counts
// nothing, one that failed counts its microphone.
const char* const kOldLog =
    "time,port,device,model,version,operation,file,sha256,result,message,duration_s\r\n"
    "2026-12-01T08:00:00+01:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,backup,,ab,read,saved,2.0\r\n"
    "2026-12-01T08:00:10+01:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,write,/f.dat,ab,verified,,9.0\r\n"
    "2026-12-01T08:30:10+01:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,write,/f.dat,ab,failed,"
    "\"Write failed: NAK, \"\"block 3\"\"\",4.0\r\n"
    "2026-12-01T08:40:00+01:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,backup,,,failed,no,2.0\r\n"
    "2026-12-01T09:00:10+01:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,write,/f.dat,ab,verified,,9.0\r\n"
    "2026-12-01T09:10:00+01:00,COM3,/dev/tty\r\n";

// A station of the second version: the label column, another day, a verify
// that found another configuration (then "differs"), a quote never closed.
const char* const kLabelLog =
    "time,port,device,model,version,operation,file,sha256,result,message,duration_s,label\r\n"
    "2026-12-01T10:00:00+01:00,COM4,/dev/ttyUSB1,PVHM_812,V1.00,write,/f.dat,ab,unchanged,"
    "already holds the configuration,3.0,SN-1\r\n"
    "2026-12-02T07:00:00+01:00,COM4,/dev/ttyUSB1,PVHM_812,V1.00,verify,/f.dat,ab,differs,"
    "Differs,9.0,SN-2\r\n"
    "2026-12-02T07:05:00+01:00,COM4,/dev/ttyUSB1,PVHM_812,V1.00,write,/f.dat,ab,verified,"
    "\"cut,9.0,SN-3\r\n";

TEST(LogReport, StationsOfEveryVersionSumByDayAndPortInMicrophones)
{
    CLogReport report;
    EXPECT_EQ(AddLogToReport(report, "old.csv", kOldLog), LogReading::kSummed);
    EXPECT_EQ(AddLogToReport(report, "new.csv", kLabelLog), LogReading::kSummed);
    SettleReport(report);

    EXPECT_EQ(
        report.totals,
        (CResultCounts{{"verified", 2}, {"failed", 2}, {"unchanged", 1}, {"holds-other", 1}}));
    EXPECT_EQ(report.tally.Total(), 6);
    EXPECT_EQ(report.tally.good, 3);
    ASSERT_EQ(report.groups.size(), 3u);
    const CReportGroup& com3 = report.groups[0];
    EXPECT_EQ(com3.day, "2026-12-01");
    EXPECT_EQ(com3.port, "COM3");
    EXPECT_EQ(com3.counts, (CResultCounts{{"verified", 2}, {"failed", 2}}));
    // Two done well between 08:00:10 and 09:00:10.
    EXPECT_DOUBLE_EQ(com3.UnitsPerHour(), 2.0);
    EXPECT_EQ(report.groups[1].port, "COM4");
    EXPECT_LT(report.groups[1].UnitsPerHour(), 0) << "one line spans no time";
    EXPECT_EQ(report.groups[2].day, "2026-12-02");

    ASSERT_EQ(report.redo.size(), 3u);
    EXPECT_EQ(report.redo[0].message, "Write failed: NAK, \"block 3\"");
    EXPECT_EQ(report.redo[1].record.operation, Operation::kBackup) << "nothing written after it";
    EXPECT_EQ(report.redo[2].record.label, "SN-2");
    EXPECT_EQ(report.redo[2].record.result, JobResult::kHoldsOther);

    const std::pair<const char*, int> unread[] = {{"old.csv", 7}, {"new.csv", 4}};
    ASSERT_EQ(report.unread.size(), std::size(unread));
    for (std::size_t i = 0; i < std::size(unread); ++i) {
        EXPECT_EQ(report.unread[i].log, unread[i].first);
        EXPECT_EQ(report.unread[i].line, unread[i].second);
    }
    EXPECT_EQ(report.unread[0].reason, CUnreadLine::kCutShort);
    EXPECT_EQ(report.unread[1].reason, CUnreadLine::kOpenQuote);
}

// A file whose first line is no header of this log is no log; an empty
// file is a log with nothing in it.
TEST(LogReport, AFileThatIsNoLogCountsNothing)
{
    CLogReport report;
    EXPECT_EQ(AddLogToReport(report, "notes.csv", "name,phone\r\nAda,123\r\n"),
              LogReading::kNotALog);
    EXPECT_EQ(AddLogToReport(report, "profile.txt", "# The settings of a.dat\n"),
              LogReading::kNotALog);
    EXPECT_EQ(AddLogToReport(report, "empty.csv", ""), LogReading::kSummed);
    EXPECT_TRUE(report.totals.empty());
    EXPECT_TRUE(report.unread.empty());
    EXPECT_EQ(report.logs, std::vector<std::string>{"empty.csv"});
}

// A run as this version logs it: each microphone where it belongs.
TEST(LogReport, EachMicrophoneOfARunIsListedWhereItBelongs)
{
    const auto line = [](const char* time, Operation operation, JobResult result, const char* label,
                         const char* unit) {
        CMicRecord record;
        record.time = time;
        record.port = "COM4";
        record.operation = operation;
        record.result = result;
        record.label = label;
        record.unit = unit;
        return CsvLine(LogFields(record, "said", kNewestLog));
    };
    const std::string log =
        LogHeader(kNewestLog) + "\r\n" +
        line("2026-12-05T08:00:00+01:00", Operation::kBackup, JobResult::kFailed, "SN-1", "u1") +
        line("2026-12-05T08:01:00+01:00", Operation::kBackup, JobResult::kRead, "SN-2", "u2") +
        line("2026-12-05T08:02:00+01:00", Operation::kWrite, JobResult::kInterrupted, "SN-2",
             "u2") +
        line("2026-12-05T08:03:00+01:00", Operation::kWrite, JobResult::kFailed, "SN-3", "u3") +
        line("2026-12-05T08:04:00+01:00", Operation::kRead, JobResult::kFailed, "", "u4") +
        line("2026-12-05T08:05:00+01:00", Operation::kWrite, JobResult::kVerified, "SN-3", "u5") +
        line("2026-12-05T08:06:00+01:00", Operation::kWrite, JobResult::kVerified, "SN-9", "u6");
    CLogReport report;
    ASSERT_EQ(AddLogToReport(report, "run.csv", log), LogReading::kSummed);
    SettleReport(report);
    EXPECT_EQ(report.tally.Total(), 6) << "six microphones: the backup read that went well is none";
    const struct
    {
        const char* label;
        JobResult result;
        const char* retried;
    } redo[] = {{"SN-1", JobResult::kFailed, ""},
                {"SN-2", JobResult::kInterrupted, ""},
                {"SN-3", JobResult::kFailed, "2026-12-05T08:05:00+01:00"}};
    ASSERT_EQ(report.redo.size(), std::size(redo));
    for (std::size_t i = 0; i < std::size(redo); ++i) {
        EXPECT_EQ(report.redo[i].record.label, redo[i].label);
        EXPECT_EQ(report.redo[i].record.result, redo[i].result);
        EXPECT_EQ(report.redo[i].retried, redo[i].retried) << redo[i].label;
    }
    ASSERT_EQ(report.reads.size(), 1u) << "a read to repeat is no microphone to program";
    EXPECT_EQ(report.reads[0].record.unit, "u4");
}

// What the log writes, the report reads: a line with every field that
// needs quotes, in each version.
TEST(LogReport, ReadsWhatTheLogWrites)
{
    CMicRecord record;
    record.time = "2026-12-03T11:00:00+01:00";
    record.port = "/dev/pts/3";
    record.operation = Operation::kWrite;
    record.result = JobResult::kInterrupted;
    record.label = "A,B";
    record.stage = JobStage::kBlock;
    record.cause.kind = CauseKind::kInterrupted;
    record.holds = Holds::kPartOfEach;
    const std::string message = "Interrupted. Line one,\r\nline \"two\"";
    for (const LogVersion version : {LogVersion::kFirst, LogVersion::kLabels, kNewestLog}) {
        const std::string text =
            LogHeader(version) + "\r\n" + CsvLine(LogFields(record, message, version));
        CLogReport report;
        AddLogToReport(report, "log.csv", text);
        ASSERT_EQ(report.redo.size(), 1u) << text;
        const CReportFailure& failure = report.redo[0];
        EXPECT_EQ(failure.message, message);
        const bool labels = HasColumn(version, LogColumn::kLabel);
        const bool records = HasColumn(version, LogColumn::kHolds);
        EXPECT_EQ(failure.record.label, labels ? record.label : "");
        EXPECT_EQ(failure.record.stage, records ? JobStage::kBlock : JobStage::kDone);
        EXPECT_EQ(failure.record.holds, records ? Holds::kPartOfEach : Holds::kAsItWas);
        EXPECT_TRUE(report.unread.empty());
    }
}

} // namespace
