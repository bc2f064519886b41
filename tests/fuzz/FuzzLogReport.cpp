// Feeds arbitrary text to the log reader as `report` takes a log: it must
// not crash; every microphone it counts is in the totals, the tally and one
// day and port; what is left to redo and what it could not read point at
// lines that are there; a text whose first line is no header counts
// nothing.
#include "FuzzSupport.h"
#include "job/LogReport.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CLogReport report;
    const LogReading reading = AddLogToReport(report, "fuzz.csv", text);
    SettleReport(report);
    Check(reading == LogReading::kSummed || (report.totals.empty() && report.logs.empty()));
    long totals = 0;
    for (const auto& [result, count] : report.totals) {
        Check(count > 0 && !result.empty());
        totals += count;
    }
    long grouped = 0;
    for (const CReportGroup& group : report.groups) {
        for (const auto& [result, count] : group.counts)
            grouped += count;
        Check(group.tally.good >= 0 && group.firstSecond <= group.lastSecond);
        Check(group.day.size() == 10);
    }
    Check(grouped == totals && report.tally.Total() == totals);
    Check(static_cast<long>(report.redo.size() + report.reads.size()) <= totals);
    long lines = 1;
    for (const char c : text)
        lines += c == '\n' ? 1 : 0;
    for (const CUnreadLine& line : report.unread)
        Check(line.line >= 1 && line.line <= lines);
    return 0;
}
