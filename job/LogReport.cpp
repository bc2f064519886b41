#include "job/LogReport.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace {

constexpr double kSecondsPerHour = 3600.0;
constexpr std::size_t kDayLength = 10; // "2024-05-01"

// "2024-05-01T10:15:30+02:00": the day and the seconds of the day; false
// for a time that does not read so.
bool ReadTime(const std::string& time, std::string& day, long& seconds)
{
    const auto digits = [&](std::size_t at, std::size_t count) {
        long value = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (i >= time.size() || !std::isdigit(static_cast<unsigned char>(time[i])))
                return -1L;
            value = value * 10 + (time[i] - '0');
        }
        return value;
    };
    if (time.size() < 19 || time[4] != '-' || time[7] != '-' || time[10] != 'T' ||
        time[13] != ':' || time[16] != ':')
        return false;
    const long year = digits(0, 4), month = digits(5, 2), date = digits(8, 2);
    const long hour = digits(11, 2), minute = digits(14, 2), second = digits(17, 2);
    if (year < 0 || month < 1 || month > 12 || date < 1 || date > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return false;
    day = time.substr(0, kDayLength);
    seconds = (hour * 60 + minute) * 60 + second;
    return true;
}

CReportGroup& GroupOf(CLogReport& report, const std::string& day, const std::string& port)
{
    const auto at = std::lower_bound(
        report.groups.begin(), report.groups.end(), std::make_pair(day, port),
        [](const CReportGroup& group, const auto& key) {
            return std::tie(group.day, group.port) < std::tie(key.first, key.second);
        });
    if (at != report.groups.end() && at->day == day && at->port == port)
        return *at;
    CReportGroup group;
    group.day = day;
    group.port = port;
    return *report.groups.insert(at, group);
}

} // namespace

double CReportGroup::UnitsPerHour() const
{
    const long span = lastSecond - firstSecond;
    if (firstSecond < 0 || span <= 0)
        return -1.0;
    return tally.good * kSecondsPerHour / static_cast<double>(span);
}

bool CountsAsMicrophone(const CMicRecord& record)
{
    return record.operation != Operation::kBackup || !IsSuccess(record.result);
}

LogReading AddLogToReport(CLogReport& report, const std::string& name, std::string_view text)
{
    const std::vector<CCsvRecord> records = ParseCsv(text);
    LogVersion version = kNewestLog;
    if (!records.empty() && !ReadLogHeader(text.substr(0, text.find('\n')), version))
        return LogReading::kNotALog;
    report.logs.push_back(name);
    for (std::size_t i = 1; i < records.size(); ++i) {
        const CCsvRecord& line = records[i];
        // A second header, where logs were put together.
        LogVersion again = version;
        if (line.fields.size() == ColumnCount(version) &&
            ReadLogHeader(CsvLine(line.fields), again))
            continue;
        if (!line.complete) {
            report.unread.push_back({name, line.line, CUnreadLine::kOpenQuote, {}});
            continue;
        }
        CLogEntry entry;
        entry.line = line.line;
        if (!ReadLogEntry(line.fields, version, entry)) {
            report.unread.push_back({name, line.line, CUnreadLine::kCutShort, {}});
            continue;
        }
        std::string day;
        long seconds = 0;
        if (!ReadTime(entry[LogColumn::kTime], day, seconds)) {
            report.unread.push_back(
                {name, line.line, CUnreadLine::kNoTime, entry[LogColumn::kTime]});
            continue;
        }
        CMicRecord record;
        if (!RecordOfEntry(entry, record)) {
            report.unread.push_back(
                {name, line.line, CUnreadLine::kNoResult, entry[LogColumn::kResult]});
            continue;
        }
        if (!CountsAsMicrophone(record))
            continue;
        const std::string word = JobResultName(record.result);
        ++report.totals[word];
        report.tally.Add(record);
        CReportGroup& group = GroupOf(report, day, record.port);
        ++group.counts[word];
        group.tally.Add(record);
        if (group.firstSecond < 0 || seconds < group.firstSecond)
            group.firstSecond = seconds;
        group.lastSecond = std::max(group.lastSecond, seconds);
        if (IsSuccess(record.result)) {
            if (!record.label.empty())
                report.doneLabels[record.label].push_back(record.time);
            continue;
        }
        CReportFailure failure{name, record, entry[LogColumn::kMessage], {}};
        (record.operation == Operation::kRead ? report.reads : report.redo).push_back(failure);
    }
    return LogReading::kSummed;
}

void SettleReport(CLogReport& report)
{
    for (CReportFailure& failure : report.redo) {
        const auto done = report.doneLabels.find(failure.record.label);
        if (failure.record.label.empty() || done == report.doneLabels.end())
            continue;
        for (const std::string& time : done->second)
            if (time > failure.record.time && (failure.retried.empty() || time < failure.retried))
                failure.retried = time;
    }
}
