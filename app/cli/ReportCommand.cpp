// report: what one or several stations' logs add up to.
#include "app/cli/CliSupport.h"
#include "app/cli/JsonOutput.h"

#include "core/FileIo.h"
#include "link/LogReport.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace {

// The result words in the order a shop reads them; others follow by name.
const char* const kColumns[] = {"verified", "written", "unchanged",
                                "same",     "read",    "written-not-verified",
                                "differs",  "failed",  "interrupted"};
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

void PrintText(std::ostream& out, const CLogReport& report)
{
    const std::vector<std::string> columns = ColumnsOf(report.totals);
    std::size_t portWidth = 4;
    for (const CReportGroup& group : report.groups)
        portWidth = std::max(portWidth, group.port.size());
    out << std::left << std::setw(12) << "Day" << std::setw(static_cast<int>(portWidth + 2))
        << "Port" << std::right;
    for (const std::string& column : columns)
        out << std::setw(static_cast<int>(column.size() + 2)) << column;
    out << "  per hour\n";
    for (const CReportGroup& group : report.groups) {
        out << std::left << std::setw(12) << group.day << std::setw(static_cast<int>(portWidth + 2))
            << group.port << std::right;
        for (const std::string& column : columns) {
            const auto it = group.counts.find(column);
            out << std::setw(static_cast<int>(column.size() + 2))
                << (it == group.counts.end() ? 0 : it->second);
        }
        out << std::setw(10) << PerHourText(group.UnitsPerHour()) << "\n";
    }
    int microphones = 0;
    std::string sums;
    for (const std::string& column : columns) {
        const int count = report.totals.at(column);
        microphones += count;
        sums += (sums.empty() ? "" : ", ") + std::to_string(count) + " " + column;
    }
    out << "\nIn all: " << microphones << (microphones == 1 ? " microphone" : " microphones")
        << (sums.empty() ? "" : " (" + sums + ")") << ".\n";
    if (!report.redo.empty()) {
        out << "\nTo program again (" << report.redo.size() << "):\n";
        for (const CReportFailure& failure : report.redo) {
            out << "  " << failure.time << "  " << failure.port;
            if (!failure.label.empty())
                out << "  " << failure.label;
            out << "  " << failure.result;
            if (!failure.message.empty())
                out << ": " << failure.message;
            out << "\n";
        }
    }
}

int RunReport(CCliContext& context, const CCliArgs& args)
{
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
        AddLogToReport(report, path, text);
    }
    // Nothing to sum: no table of nothing.
    if (report.logs.empty())
        return CliExit::kFailure;
    if (args.Has("--json")) {
        QJsonArray days;
        QJsonObject day;
        for (std::size_t i = 0; i < report.groups.size(); ++i) {
            const CReportGroup& group = report.groups[i];
            if (day.isEmpty() || day["day"].toString().toStdString() != group.day) {
                if (!day.isEmpty())
                    days.append(day);
                day = QJsonObject{{"day", JsonText(group.day)}, {"ports", QJsonArray()}};
            }
            QJsonArray ports = day["ports"].toArray();
            const double perHour = group.UnitsPerHour();
            ports.append(QJsonObject{{"port", JsonText(group.port)},
                                     {"counts", CountsJson(group.counts)},
                                     {"perHour", perHour < 0 ? QJsonValue() : perHour}});
            day["ports"] = ports;
        }
        if (!day.isEmpty())
            days.append(day);
        QJsonArray redo;
        for (const CReportFailure& failure : report.redo)
            redo.append(QJsonObject{{"log", JsonText(failure.log)},
                                    {"time", JsonText(failure.time)},
                                    {"port", JsonText(failure.port)},
                                    {"label", JsonTextOrNull(failure.label)},
                                    {"result", JsonText(failure.result)},
                                    {"message", JsonTextOrNull(failure.message)}});
        QJsonArray unread;
        for (const CUnreadLine& line : report.unread)
            unread.append(QJsonObject{{"log", JsonText(line.log)},
                                      {"line", line.line},
                                      {"reason", JsonText(line.reason)}});
        QJsonArray logs;
        for (const std::string& log : report.logs)
            logs.append(JsonText(log));
        PrintJson(context.out, QJsonObject{{"logs", logs},
                                           {"totals", CountsJson(report.totals)},
                                           {"days", days},
                                           {"redo", redo},
                                           {"unread", unread}});
    } else {
        PrintText(context.out, report);
    }
    if (!report.unread.empty()) {
        context.err << report.unread.size()
                    << (report.unread.size() == 1 ? " line was" : " lines were")
                    << " not counted:\n";
        for (const CUnreadLine& line : report.unread)
            context.err << "  " << line.log << ":" << line.line << ": " << line.reason << "\n";
    }
    return allRead ? CliExit::kOk : CliExit::kFailure;
}

} // namespace

std::vector<CCliCommand> ReportCommands()
{
    return {{"report",
             "report LOG.csv ... [--json]",
             "Sums up the transfer logs of one or several stations.",
             "Per day and port: how many microphones were verified, written, left\n"
             "unchanged, differed, failed or were interrupted (a column for each\n"
             "result the logs hold), and the microphones done well per hour between\n"
             "the port's first line and its last. Then the sums, and the microphones\n"
             "to program again (failed, differs, written-not-verified, interrupted)\n"
             "with time, port, label and message. Backup lines count no microphone.\n"
             "The columns are found by each log's header, so older logs read too. A\n"
             "line that cannot be read is named on stderr and left out; a log that\n"
             "cannot be opened is named and the exit code is 1.\n"
             "--json prints one JSON document instead: logs, totals (one count per\n"
             "result word), days (each with its ports: port, counts, perHour or\n"
             "null), redo (log, time, port, label, result, message) and unread (log,\n"
             "line, reason).\n\n"
             "example: qzm530rx-cli report station1.csv station2.csv\n",
             1,
             -1,
             {},
             {"--json"},
             [](CCliContext& c, const CCliArgs& a) { return RunReport(c, a); }}};
}
