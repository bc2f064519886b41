#include "link/LogReport.h"

#include "link/JobResult.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace {

constexpr const char* kBackupOperation = "backup";
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

bool IsGood(const std::string& result)
{
    return !IsToRedo(result);
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
    return good * kSecondsPerHour / static_cast<double>(span);
}

bool IsToRedo(const std::string& result)
{
    for (const JobResult redo :
         {JobResult::kNotVerified, JobResult::kDiffers, JobResult::kHoldsOther, JobResult::kFailed,
          JobResult::kInterrupted})
        if (result == JobResultName(redo))
            return true;
    return false;
}

std::vector<CCsvRecord> ParseCsv(std::string_view text)
{
    std::vector<CCsvRecord> records;
    int line = 1;
    std::size_t at = 0;
    while (at < text.size()) {
        CCsvRecord record;
        record.line = line;
        std::string field;
        bool quoted = false;
        bool ended = false;
        while (at < text.size() && !ended) {
            const char c = text[at++];
            if (quoted) {
                if (c == '"') {
                    if (at < text.size() && text[at] == '"') {
                        field += '"';
                        ++at;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == '\n')
                        ++line;
                    field += c;
                }
                continue;
            }
            switch (c) {
            case '"':
                quoted = true;
                break;
            case ',':
                record.fields.push_back(std::move(field));
                field.clear();
                break;
            case '\r':
                break;
            case '\n':
                ++line;
                ended = true;
                break;
            default:
                field += c;
                break;
            }
        }
        record.fields.push_back(std::move(field));
        record.complete = !quoted;
        // A blank line is no record.
        if (!(record.fields.size() == 1 && record.fields[0].empty()))
            records.push_back(std::move(record));
    }
    return records;
}

void AddLogToReport(CLogReport& report, const std::string& name, std::string_view text)
{
    report.logs.push_back(name);
    const std::vector<CCsvRecord> records = ParseCsv(text);
    if (records.empty())
        return;
    // The columns by the header's names.
    const std::vector<std::string>& header = records.front().fields;
    const auto column = [&](const char* wanted) {
        const auto it = std::find(header.begin(), header.end(), wanted);
        return it == header.end() ? -1 : static_cast<int>(it - header.begin());
    };
    const int time = column("time"), port = column("port"), operation = column("operation");
    const int result = column("result"), message = column("message"), label = column("label");
    if (time < 0 || port < 0 || result < 0) {
        report.unread.push_back(
            {name, records.front().line, "no header with time, port and result; nothing counted"});
        return;
    }
    const int needed = std::max({time, port, result, operation});
    for (std::size_t i = 1; i < records.size(); ++i) {
        const CCsvRecord& record = records[i];
        const std::vector<std::string>& fields = record.fields;
        if (fields == header)
            continue;
        if (!record.complete) {
            report.unread.push_back({name, record.line, "a quote that is never closed"});
            continue;
        }
        if (static_cast<int>(fields.size()) <= needed) {
            report.unread.push_back({name, record.line, "cut short"});
            continue;
        }
        const auto field = [&](int index) {
            return index >= 0 && index < static_cast<int>(fields.size()) ? fields[index]
                                                                         : std::string();
        };
        if (field(operation) == kBackupOperation)
            continue;
        std::string day;
        long seconds = 0;
        if (!ReadTime(fields[time], day, seconds)) {
            report.unread.push_back({name, record.line, "no time: '" + fields[time] + "'"});
            continue;
        }
        const std::string& outcome = fields[result];
        if (outcome.empty()) {
            report.unread.push_back({name, record.line, "no result"});
            continue;
        }
        ++report.totals[outcome];
        CReportGroup& group = GroupOf(report, day, fields[port]);
        ++group.counts[outcome];
        if (IsGood(outcome))
            ++group.good;
        if (group.firstSecond < 0 || seconds < group.firstSecond)
            group.firstSecond = seconds;
        group.lastSecond = std::max(group.lastSecond, seconds);
        if (IsToRedo(outcome))
            report.redo.push_back(
                {name, fields[time], fields[port], field(label), outcome, field(message)});
    }
}
