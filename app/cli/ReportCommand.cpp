// report: what one or several stations' logs add up to.
#include "app/cli/CliSupport.h"
#include "app/cli/JsonOutput.h"

#include "core/FileIo.h"
#include "job/LogReport.h"
#include "job/ShopRecord.h"
#include "words/RecordWords.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace {

// The result words in the order a shop reads them; others follow by name.
const char* const kColumns[] = {
    "verified", "written",     "unchanged", "same",       "read", "written-not-verified",
    "differs",  "holds-other", "failed",    "interrupted"};
constexpr std::size_t kLargestLog = 256u << 20;

// The result words that occur, in kColumns' order, then the others.
std::vector<std::string> ColumnsOf(const CResultCounts& totals)
{
    std::vector<std::string> columns;
    for (const char* word : kColumns)
        if (totals.count(word))
            columns.push_back(word);
    for (const auto& [word, count] : totals)
        if (std::find(columns.begin(), columns.end(), word) == columns.end())
            columns.push_back(word);
    return columns;
}

QJsonObject CountsJson(const CResultCounts& counts)
{
    QJsonObject object;
    for (const auto& [word, count] : counts)
        object.insert(QString::fromStdString(word), count);
    return object;
}

std::string PerHourText(double perHour)
{
    if (perHour < 0)
        return "-";
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << perHour;
    return text.str();
}

// The redo list's part of a failure: "2026-12-01T09:00:00+01:00  COM4  SN-7  failed: why".
std::string FailureLine(const CReportFailure& failure)
{
    const CMicRecord& record = failure.record;
    std::string line = "  " + record.time + "  " +
                       (failure.station.empty() ? "" : failure.station + " ") + record.port;
    if (!record.label.empty())
        line += "  " + record.label;
    line += std::string("  ") + JobResultName(record.result);
    const std::string why =
        failure.message.empty() ? std::string(CauseWord(record.cause.kind)) : failure.message;
    if (!why.empty())
        line += ": " + why;
    return line;
}

void PrintFailures(std::ostream& out, const char* title, const std::vector<CReportFailure>& list)
{
    if (list.empty())
        return;
    out << "\n" << title << " (" << list.size() << "):\n";
    for (const CReportFailure& failure : list)
        out << FailureLine(failure) << "\n";
}

std::string UnreadText(const CUnreadLine& line)
{
    switch (line.reason) {
    case CUnreadLine::kOpenQuote:
        return "a quote that is never closed";
    case CUnreadLine::kCutShort:
        return "cut short";
    case CUnreadLine::kNoTime:
        return "no time: '" + line.field + "'";
    case CUnreadLine::kNoResult:
        return "no result: '" + line.field + "'";
    }
    return {};
}

void PrintText(std::ostream& out, const CLogReport& report)
{
    const std::vector<std::string> columns = ColumnsOf(report.totals);
    std::size_t portWidth = 4;
    std::size_t stationWidth = 0; // no column while no line comes from the record
    for (const CReportGroup& group : report.groups) {
        portWidth = std::max(portWidth, group.port.size());
        if (!group.station.empty())
            stationWidth = std::max<std::size_t>({stationWidth, 7, group.station.size()});
    }
    out << std::left << std::setw(12) << "Day";
    if (stationWidth > 0)
        out << std::setw(static_cast<int>(stationWidth + 2)) << "Station";
    out << std::setw(static_cast<int>(portWidth + 2)) << "Port" << std::right;
    for (const std::string& column : columns)
        out << std::setw(static_cast<int>(column.size() + 2)) << column;
    out << "  per hour\n";
    for (const CReportGroup& group : report.groups) {
        out << std::left << std::setw(12) << group.day;
        if (stationWidth > 0)
            out << std::setw(static_cast<int>(stationWidth + 2))
                << (group.station.empty() ? "-" : group.station);
        out << std::setw(static_cast<int>(portWidth + 2)) << group.port << std::right;
        for (const std::string& column : columns) {
            const auto it = group.counts.find(column);
            out << std::setw(static_cast<int>(column.size() + 2))
                << (it == group.counts.end() ? 0 : it->second);
        }
        out << std::setw(10) << PerHourText(group.UnitsPerHour()) << "\n";
    }
    const int microphones = report.tally.Total();
    std::string sums;
    for (const std::string& column : columns)
        sums +=
            (sums.empty() ? "" : ", ") + std::to_string(report.totals.at(column)) + " " + column;
    out << "\nIn all: " << microphones << (microphones == 1 ? " microphone" : " microphones")
        << (sums.empty() ? "" : " (" + sums + ")") << ".\n";
    std::vector<CReportFailure> redo;
    std::vector<CReportFailure> retried;
    for (const CReportFailure& failure : report.redo)
        (failure.retried.empty() ? redo : retried).push_back(failure);
    PrintFailures(out, "To program again", redo);
    if (!retried.empty()) {
        out << "\nRetried and done well (" << retried.size() << "):\n";
        for (const CReportFailure& failure : retried)
            out << FailureLine(failure) << "; done well at " << failure.retried << "\n";
    }
    PrintFailures(out, "Reads to repeat", report.reads);
}

QJsonArray FailuresJson(const std::vector<CReportFailure>& list)
{
    QJsonArray array;
    for (const CReportFailure& failure : list) {
        const CMicRecord& record = failure.record;
        // What an older log does not keep is not known.
        const bool kept = HasColumn(failure.version, LogColumn::kHolds);
        const auto known = [kept](const char* word) {
            return kept ? JsonTextOrNull(word) : QJsonValue();
        };
        array.append(QJsonObject{{"log", JsonText(failure.log)},
                                 {"station", JsonTextOrNull(failure.station)},
                                 {"time", JsonText(record.time)},
                                 {"port", JsonText(record.port)},
                                 {"label", JsonTextOrNull(record.label)},
                                 {"operation", OperationWord(record.operation)},
                                 {"result", JobResultName(record.result)},
                                 {"stage", known(StageWord(record.stage))},
                                 {"cause", known(CauseWord(record.cause.kind))},
                                 {"holds", known(HoldsWord(record.holds))},
                                 {"unit", JsonTextOrNull(record.unit)},
                                 {"message", JsonTextOrNull(failure.message)},
                                 {"retried", JsonTextOrNull(failure.retried)}});
    }
    return array;
}

QJsonObject ReportJson(const CLogReport& report)
{
    QJsonArray days;
    QJsonObject day;
    for (const CReportGroup& group : report.groups) {
        if (day.isEmpty() || day["day"].toString().toStdString() != group.day) {
            if (!day.isEmpty())
                days.append(day);
            day = QJsonObject{{"day", JsonText(group.day)}, {"ports", QJsonArray()}};
        }
        QJsonArray ports = day["ports"].toArray();
        const double perHour = group.UnitsPerHour();
        ports.append(QJsonObject{{"station", JsonTextOrNull(group.station)},
                                 {"port", JsonText(group.port)},
                                 {"microphones", group.tally.Total()},
                                 {"counts", CountsJson(group.counts)},
                                 {"perHour", perHour < 0 ? QJsonValue() : perHour}});
        day["ports"] = ports;
    }
    if (!day.isEmpty())
        days.append(day);
    QJsonArray unread;
    for (const CUnreadLine& line : report.unread)
        unread.append(QJsonObject{{"log", JsonText(line.log)},
                                  {"line", line.line},
                                  {"reason", JsonText(UnreadText(line))}});
    QJsonArray logs;
    for (const std::string& log : report.logs)
        logs.append(JsonText(log));
    return QJsonObject{{"logs", logs},
                       {"microphones", report.tally.Total()},
                       {"totals", CountsJson(report.totals)},
                       {"days", days},
                       {"redo", FailuresJson(report.redo)},
                       {"reads", FailuresJson(report.reads)},
                       {"unread", unread}};
}

// Adds every row of the shop's record at `where`; false, said on stderr,
// when it cannot be read.
bool AddRecordToReport(CCliContext& context, const std::string& where, CLogReport& report)
{
    CRecordAddress address;
    CRecordFault error;
    std::unique_ptr<CShopRecord> record;
    std::vector<CRecordRow> rows;
    if (!ParseRecordAddress(where, address, error) ||
        !(record = CShopRecord::Open(address, std::string(), error, false)) ||
        !record->ReadRows(rows, error)) {
        context.err << "report: --record: " << RecordFaultText(error) << "; not summed\n";
        return false;
    }
    const std::string name = ShownAddress(address);
    report.logs.push_back(name);
    for (const CRecordRow& row : rows)
        AddEntryToReport(report, name, kNewestLog, row.entry, row.station);
    return true;
}

int RunReport(CCliContext& context, const CCliArgs& args)
{
    if (args.positional.empty() && !args.Has("--record")) {
        context.err << "report: give one log or more, or --record URL\n";
        return CliExit::kUsage;
    }
    CLogReport report;
    bool allRead = true;
    for (const std::string& path : args.positional) {
        std::string text;
        std::string problem;
        if (!ReadTextFile(path, kLargestLog, "log", text, problem)) {
            context.err << path << ": " << problem << "\n";
            allRead = false;
            continue;
        }
        if (AddLogToReport(report, path, text) == LogReading::kNotALog) {
            context.err << path << ": no log of " << kCliName
                        << " (its first line is no header of one); not summed\n";
            allRead = false;
        }
    }
    if (args.Has("--record") && !AddRecordToReport(context, args.Value("--record"), report))
        allRead = false;
    // Nothing to sum: no table of nothing.
    if (report.logs.empty())
        return CliExit::kFailure;
    SettleReport(report);
    if (args.Has("--json"))
        PrintJson(context.out, ReportJson(report));
    else
        PrintText(context.out, report);
    if (!report.unread.empty()) {
        context.err << report.unread.size()
                    << (report.unread.size() == 1 ? " line was" : " lines were")
                    << " not counted:\n";
        for (const CUnreadLine& line : report.unread)
            context.err << "  " << line.log << ":" << line.line << ": " << UnreadText(line) << "\n";
    }
    return allRead ? CliExit::kOk : CliExit::kFailure;
}

} // namespace

std::vector<CCliCommand> ReportCommands()
{
    return {{"report",
             "report [LOG.csv ...] [--record URL] [--json]",
             "Sums up the transfer logs of one or several stations.",
             "Per day and port: how many microphones were verified, written, left\n"
             "unchanged, differed, failed or were interrupted (a column for each\n"
             "result the logs hold), and the microphones done well per hour between\n"
             "the port's first line and its last. Then the sums, the microphones to\n"
             "program again (every one that did not end verified, written, unchanged\n"
             "or the same: failed, differs, holds-other, written-not-verified,\n"
             "interrupted, and those whose backup failed), those of them whose label\n"
             "a later line shows done well (retried), and the reads to repeat. A\n"
             "backup line counts a microphone only when the backup failed.\n"
             "Every version of the log reads; a file whose first line is no header of\n"
             "this tool's log is named and not summed, and the exit code is 1, as for\n"
             "a log that cannot be opened. A line that cannot be read is named on\n"
             "stderr and left out.\n"
             "--record URL sums the shop's record as well (an SQLite file, or a\n"
             "postgresql:// address): its lines are grouped by station too, in a\n"
             "column of its own.\n"
             "--json prints one JSON document instead: logs, microphones, totals (one\n"
             "count per result word), days (each with its ports: port, microphones,\n"
             "counts, perHour or null), redo and reads (log, time, port, label,\n"
             "operation, result, stage, cause, holds, unit, message, retried) and\n"
             "unread (log, line, reason).\n\n"
             "example: qzm530rx-cli report station1.csv station2.csv\n",
             0,
             -1,
             {"--record"},
             {"--json"},
             [](CCliContext& c, const CCliArgs& a) { return RunReport(c, a); }}};
}
