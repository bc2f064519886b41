// The sums of transfer logs: by day and port, whatever the logs' columns,
// with the lines that could not be read named and left out.
#include "link/LogReport.h"
#include "link/TransferLog.h"

#include <gtest/gtest.h>

namespace {

// An old station's log, without the label column; one message holds a
// comma and a quote, one line is cut short, a backup line counts nothing.
const char* const kOldLog =
    "time,port,device,model,version,operation,file,sha256,result,message,duration_s\r\n"
    "2026-12-01T08:00:00+01:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,backup,,ab,read,saved,2.0\r\n"
    "2026-12-01T08:00:10+01:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,write,/f.dat,ab,verified,,9.0\r\n"
    "2026-12-01T08:30:10+01:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,write,/f.dat,ab,failed,"
    "\"Write failed: NAK, \"\"block 3\"\"\",4.0\r\n"
    "2026-12-01T09:00:10+01:00,COM3,/dev/ttyUSB0,PVHM_812,V1.00,write,/f.dat,ab,verified,,9.0\r\n"
    "2026-12-01T09:10:00+01:00,COM3,/dev/tty\r\n";

// A new station's: the label column, another day, a quote never closed.
const char* const kNewLog =
    "time,port,device,model,version,operation,file,sha256,result,message,duration_s,label\r\n"
    "2026-12-01T10:00:00+01:00,COM4,/dev/ttyUSB1,PVHM_812,V1.00,write,/f.dat,ab,unchanged,"
    "already holds the configuration,3.0,SN-1\r\n"
    "2026-12-02T07:00:00+01:00,COM4,/dev/ttyUSB1,PVHM_812,V1.00,write,/f.dat,ab,differs,"
    "Written but differs,9.0,SN-2\r\n"
    "2026-12-02T07:05:00+01:00,COM4,/dev/ttyUSB1,PVHM_812,V1.00,write,/f.dat,ab,verified,"
    "\"cut,9.0,SN-3\r\n";

TEST(LogReport, TwoStationsSumByDayAndPortAndNameWhatToRedo)
{
    CLogReport report;
    AddLogToReport(report, "old.csv", kOldLog);
    AddLogToReport(report, "new.csv", kNewLog);

    EXPECT_EQ(report.totals,
              (CResultCounts{{"verified", 2}, {"failed", 1}, {"unchanged", 1}, {"differs", 1}}));
    ASSERT_EQ(report.groups.size(), 3u);
    const CReportGroup& com3 = report.groups[0];
    EXPECT_EQ(com3.day, "2026-12-01");
    EXPECT_EQ(com3.port, "COM3");
    EXPECT_EQ(com3.counts, (CResultCounts{{"verified", 2}, {"failed", 1}}));
    // Two done well between 08:00:10 and 09:00:10.
    EXPECT_DOUBLE_EQ(com3.UnitsPerHour(), 2.0);
    EXPECT_EQ(report.groups[1].port, "COM4");
    EXPECT_LT(report.groups[1].UnitsPerHour(), 0) << "one line spans no time";
    EXPECT_EQ(report.groups[2].day, "2026-12-02");

    ASSERT_EQ(report.redo.size(), 2u);
    EXPECT_EQ(report.redo[0].message, "Write failed: NAK, \"block 3\"");
    EXPECT_EQ(report.redo[0].label, "") << "the old log has no labels";
    EXPECT_EQ(report.redo[1].label, "SN-2");
    EXPECT_EQ(report.redo[1].result, "differs");

    ASSERT_EQ(report.unread.size(), 2u);
    EXPECT_EQ(report.unread[0].log, "old.csv");
    EXPECT_EQ(report.unread[0].line, 6);
    EXPECT_EQ(report.unread[1].log, "new.csv");
    EXPECT_EQ(report.unread[1].line, 4);
}

TEST(LogReport, ALogWithoutTheColumnsCountsNothingAndSaysSo)
{
    CLogReport report;
    AddLogToReport(report, "notes.csv", "name,phone\r\nAda,123\r\n");
    AddLogToReport(report, "empty.csv", "");
    EXPECT_TRUE(report.totals.empty());
    ASSERT_EQ(report.unread.size(), 1u);
    EXPECT_EQ(report.unread[0].log, "notes.csv");
    EXPECT_EQ(report.logs.size(), 2u);
}

// What the log writes, the report reads: a line with every field that
// needs quotes, under both headers.
TEST(LogReport, ReadsWhatTheLogWrites)
{
    CLogRecord record;
    record.time = "2026-12-03T11:00:00+01:00";
    record.port = "/dev/pts/3";
    record.operation = "write";
    record.result = "interrupted";
    record.message = "Interrupted. Line one,\r\nline \"two\"";
    record.label = "A,B";
    for (const bool withLabel : {true, false}) {
        const std::string text =
            std::string(withLabel ? CTransferLog::kHeader : CTransferLog::kHeaderWithoutLabel) +
            "\r\n" + FormatLogLine(record, withLabel);
        CLogReport report;
        AddLogToReport(report, "log.csv", text);
        ASSERT_EQ(report.redo.size(), 1u) << text;
        EXPECT_EQ(report.redo[0].message, record.message);
        EXPECT_EQ(report.redo[0].label, withLabel ? record.label : "");
        EXPECT_TRUE(report.unread.empty());
    }
}

} // namespace
