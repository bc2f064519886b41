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

// The instant of "2024-05-01T10:15:30+02:00" in seconds since 1970 (UTC);
// false for a time that does not read so.
bool Instant(const std::string& time, long long& seconds)
{
    std::string day;
    long ofDay = 0;
    if (!ReadTime(time, day, ofDay))
        return false;
    const long long y = std::stol(time.substr(0, 4));
    const int m = std::stoi(time.substr(5, 2));
    const int d = std::stoi(time.substr(8, 2));
    // Days from the civil date (proleptic Gregorian calendar).
    const long long shifted = m <= 2 ? y - 1 : y;
    const long long era = (shifted >= 0 ? shifted : shifted - 399) / 400;
    const long long yearOfEra = shifted - era * 400;
    const long long dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long days = era * 146097 + dayOfEra - 719468;
    long long offset = 0;
    if (time.size() >= 25 && (time[19] == '+' || time[19] == '-') && time[22] == ':' &&
        std::isdigit(static_cast<unsigned char>(time[20])) &&
        std::isdigit(static_cast<unsigned char>(time[21])) &&
        std::isdigit(static_cast<unsigned char>(time[23])) &&
        std::isdigit(static_cast<unsigned char>(time[24]))) {
        offset = (std::stoi(time.substr(20, 2)) * 60 + std::stoi(time.substr(23, 2))) * 60;
        if (time[19] == '-')
            offset = -offset;
    }
    seconds = days * 86400 + ofDay - offset;
    return true;
}

CReportGroup& GroupOf(CLogReport& report, const std::string& day, const std::string& station,
                      const std::string& port)
{
    const auto key = std::tie(day, station, port);
    const auto at =
        std::lower_bound(report.groups.begin(), report.groups.end(), key,
                         [](const CReportGroup& group, const auto& wanted) {
                             return std::tie(group.day, group.station, group.port) < wanted;
                         });
    if (at != report.groups.end() && std::tie(at->day, at->station, at->port) == key)
        return *at;
    CReportGroup group;
    group.day = day;
    group.station = station;
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
        // A header further down, where logs were put together: the lines
        // after it have its columns.
        LogVersion again = version;
        if (line.complete && ReadLogHeader(CsvLine(line.fields), again)) {
            version = again;
            continue;
        }
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
        AddEntryToReport(report, name, version, entry, std::string());
    }
    return LogReading::kSummed;
}

void AddEntryToReport(CLogReport& report, const std::string& name, LogVersion version,
                      const CLogEntry& entry, const std::string& station)
{
    std::string day;
    long seconds = 0;
    if (!ReadTime(entry[LogColumn::kTime], day, seconds)) {
        report.unread.push_back({name, entry.line, CUnreadLine::kNoTime, entry[LogColumn::kTime]});
        return;
    }
    CMicRecord record;
    if (!RecordOfEntry(entry, record)) {
        report.unread.push_back(
            {name, entry.line, CUnreadLine::kNoResult, entry[LogColumn::kResult]});
        return;
    }
    if (!CountsAsMicrophone(record))
        return;
    const std::string word = JobResultName(record.result);
    ++report.totals[word];
    report.tally.Add(record);
    CReportGroup& group = GroupOf(report, day, station, record.port);
    ++group.counts[word];
    group.tally.Add(record);
    if (group.firstSecond < 0 || seconds < group.firstSecond)
        group.firstSecond = seconds;
    group.lastSecond = std::max(group.lastSecond, seconds);
    if (IsSuccess(record.result)) {
        long long instant = 0;
        const bool programmed =
            record.operation == Operation::kWrite || record.operation == Operation::kVerify;
        if (!record.label.empty() && programmed && Instant(record.time, instant))
            report.doneLabels[record.label].emplace_back(instant, record.time);
        return;
    }
    CReportFailure failure{name, station, version, record, entry[LogColumn::kMessage], {}};
    (record.operation == Operation::kRead ? report.reads : report.redo).push_back(failure);
}

void SettleReport(CLogReport& report)
{
    for (CReportFailure& failure : report.redo) {
        const auto done = report.doneLabels.find(failure.record.label);
        long long failed = 0;
        if (failure.record.label.empty() || done == report.doneLabels.end() ||
            !Instant(failure.record.time, failed))
            continue;
        long long first = 0;
        for (const auto& [instant, time] : done->second) {
            if (instant > failed && (failure.retried.empty() || instant < first)) {
                first = instant;
                failure.retried = time;
            }
        }
    }
}
