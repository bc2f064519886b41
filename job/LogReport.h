#pragma once
// The sums of one or several transfer logs: what a shift did, per day and
// port, counted in microphones, and what is left to redo.
#include "job/LogLayout.h"
#include "job/MicTally.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

// Microphones by the log's result word ("verified", "failed", ...).
using CResultCounts = std::map<std::string, int>;

// One day on one port.
struct CReportGroup
{
    std::string day;     // "2024-05-01", from the line's time
    std::string station; // the record's station; empty for a log's line
    std::string port;    // the log's port column
    CResultCounts counts;
    CMicTally tally;
    long firstSecond = -1; // the earliest and latest time of the day, in seconds of the day
    long lastSecond = -1;
    // Microphones done well per hour between the first line and the last;
    // negative when the lines span no time.
    double UnitsPerHour() const;
};

// A microphone to program again, or a read to repeat.
struct CReportFailure
{
    std::string log;
    std::string station;             // the record's; empty for a log's line
    LogVersion version = kNewestLog; // of the line's log: which fields it keeps
    CMicRecord record;               // as far as the log keeps it
    std::string message;             // the log's message column
    // The time of a later line of the same label that ended well: the
    // microphone was programmed again. Empty: it was not.
    std::string retried;
};

// A line that was not counted, and why.
struct CUnreadLine
{
    enum Reason
    {
        kOpenQuote, // a quote that is never closed
        kCutShort,  // fewer fields than the log's columns
        kNoTime,    // the time does not read as one
        kNoResult   // the operation or the result is no word of the log's
    };
    std::string log;
    int line = 0; // counted from 1, as an editor counts the file's lines
    Reason reason = kCutShort;
    std::string field; // what stood where the time or the result should be
};

struct CLogReport
{
    std::vector<std::string> logs; // those summed
    CResultCounts totals;
    CMicTally tally;
    std::vector<CReportGroup> groups;  // by day, then port
    std::vector<CReportFailure> redo;  // microphones to program again, in the order of the logs
    std::vector<CReportFailure> reads; // reads that failed, to repeat
    std::vector<CUnreadLine> unread;
    // When each label's writes and checks ended well (seconds since 1970,
    // and the time as the log has it), for SettleReport.
    std::map<std::string, std::vector<std::pair<long long, std::string>>> doneLabels;
};

// How a log's text was taken.
enum class LogReading
{
    kSummed, // its lines are in the report (an empty file has none)
    kNotALog // its first line is no header of this tool's log: nothing counted
};

// Adds the lines of one log, its CSV text as a file holds it, to the
// report, counting microphones: every line but a backup's is one, and a
// backup that did not succeed is one too (nothing was written after it). A
// header further down (logs put together) is taken as the columns of the
// lines after it.
// A line that cannot be read (cut short, an open quote, no time) is named
// in `unread` and left out. Once every log is in, Settle the report.
LogReading AddLogToReport(CLogReport& report, const std::string& name, std::string_view text);
// Adds one line's `entry`, as AddLogToReport does: from the log `name` in
// `version`, or from the shop's record, where `station` did it.
void AddEntryToReport(CLogReport& report, const std::string& name, LogVersion version,
                      const CLogEntry& entry, const std::string& station);
// Marks each microphone to program again whose label a later write or
// check shows done well as retried, with the time of the first such line
// (times compared as instants, whatever their offsets from UTC).
void SettleReport(CLogReport& report);

// Whether a line of the log counts as a microphone of its own.
bool CountsAsMicrophone(const CMicRecord& record);
