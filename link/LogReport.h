#pragma once
// The sums of one or several transfer logs: what a shift did, per day and
// port, and what is left to redo.
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Lines by result word ("verified", "failed", ...).
using CResultCounts = std::map<std::string, int>;

// One day on one port.
struct CReportGroup
{
    std::string day;  // "2024-05-01", from the line's time
    std::string port; // the log's port column
    CResultCounts counts;
    int good = 0;          // microphones done well: neither failed, differing nor interrupted
    long firstSecond = -1; // the earliest and latest time of the day, in seconds of the day
    long lastSecond = -1;
    // Microphones done well per hour between the first line and the last;
    // negative when the lines span no time.
    double UnitsPerHour() const;
};

// A microphone to program again.
struct CReportFailure
{
    std::string log;
    std::string time;
    std::string port;
    std::string label; // empty in a log without labels
    std::string result;
    std::string message;
};

// A line that was not counted, and why.
struct CUnreadLine
{
    std::string log;
    int line = 0; // counted from 1, as an editor counts the file's lines
    std::string reason;
};

struct CLogReport
{
    std::vector<std::string> logs;
    CResultCounts totals;
    std::vector<CReportGroup> groups; // by day, then port
    std::vector<CReportFailure> redo; // in the order of the logs
    std::vector<CUnreadLine> unread;
};

// Adds the lines of one log, its CSV text as a file holds it, to the
// report: every operation but backups counts one microphone; the columns
// are found by the log's header, so a log with fewer columns (no label)
// or more reads too. A line that cannot be read (cut short, an open quote,
// no time) is named in `unread` and left out.
void AddLogToReport(CLogReport& report, const std::string& name, std::string_view text);

// Whether a result calls for the microphone to be programmed again.
bool IsToRedo(const std::string& result);

// The RFC 4180 records of a CSV text, each with the line it begins on;
// `complete` is false for a last record whose quote was never closed.
struct CCsvRecord
{
    int line = 0;
    std::vector<std::string> fields;
    bool complete = true;
};
std::vector<CCsvRecord> ParseCsv(std::string_view text);
