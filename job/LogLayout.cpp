#include "job/LogLayout.h"

#include "link/TickClock.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

constexpr const char* kColumnNames[kLogColumns] = {
    "time",   "port",    "device",     "model", "version", "operation", "file",  "sha256",
    "result", "message", "duration_s", "label", "unit",    "stage",     "cause", "holds"};

constexpr LogVersion kVersions[] = {LogVersion::kFirst, LogVersion::kLabels, LogVersion::kRecords};

constexpr const char* kLineEnd = "\r\n";

std::string Duration(uint32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u", ms / kMsPerSecond, ms % kMsPerSecond);
    return text;
}

// A log outlives the folder it was written from: its files are named in full.
std::string AbsolutePath(const std::string& path)
{
    if (path.empty())
        return path;
    return QDir::cleanPath(QFileInfo(QString::fromStdString(path)).absoluteFilePath())
        .toStdString();
}

bool NeedsQuotes(const std::string& field)
{
    return field.find_first_of(",\"\r\n") != std::string::npos;
}

} // namespace

const char* LogColumnName(LogColumn column)
{
    const auto index = static_cast<std::size_t>(column);
    return index < kLogColumns ? kColumnNames[index] : "";
}

std::size_t ColumnCount(LogVersion version)
{
    return static_cast<std::size_t>(version);
}

bool HasColumn(LogVersion version, LogColumn column)
{
    return static_cast<std::size_t>(column) < ColumnCount(version);
}

std::string LogHeader(LogVersion version)
{
    std::string header;
    for (std::size_t i = 0; i < ColumnCount(version); ++i)
        header += (i == 0 ? "" : ",") + std::string(kColumnNames[i]);
    return header;
}

bool ReadLogHeader(std::string_view line, LogVersion& version)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    for (const LogVersion candidate : kVersions) {
        if (line == LogHeader(candidate)) {
            version = candidate;
            return true;
        }
    }
    return false;
}

std::vector<std::string> LogFields(const CMicRecord& record, const std::string& message,
                                   LogVersion version)
{
    std::vector<std::string> fields = {record.time,
                                       record.port,
                                       record.device,
                                       record.model,
                                       record.version,
                                       OperationWord(record.operation),
                                       AbsolutePath(record.file),
                                       record.sha256,
                                       JobResultName(record.result),
                                       message,
                                       Duration(record.durationMs),
                                       record.label,
                                       record.unit,
                                       StageWord(record.stage),
                                       CauseWord(record.cause.kind),
                                       HoldsWord(record.holds)};
    static_assert(kLogColumns == 16, "a field for every column");
    fields.resize(ColumnCount(version));
    return fields;
}

bool ReadLogEntry(const std::vector<std::string>& fields, LogVersion version, CLogEntry& entry)
{
    if (fields.size() < ColumnCount(version))
        return false;
    for (std::size_t i = 0; i < ColumnCount(version); ++i)
        entry.fields[i] = fields[i];
    return true;
}

bool RecordOfEntry(const CLogEntry& entry, CMicRecord& record)
{
    record.time = entry[LogColumn::kTime];
    record.port = entry[LogColumn::kPort];
    record.device = entry[LogColumn::kDevice];
    record.model = entry[LogColumn::kModel];
    record.version = entry[LogColumn::kVersion];
    record.file = entry[LogColumn::kFile];
    record.sha256 = entry[LogColumn::kSha256];
    record.label = entry[LogColumn::kLabel];
    record.unit = entry[LogColumn::kUnit];
    if (!OperationOfWord(entry[LogColumn::kOperation], record.operation) ||
        !ResultOfWord(entry[LogColumn::kResult], record.operation, record.result))
        return false;
    // Columns an older log lacks, or words a newer one may add, leave the
    // record's own.
    StageOfWord(entry[LogColumn::kStage], record.stage);
    CauseOfWord(entry[LogColumn::kCause], record.cause.kind);
    HoldsOfWord(entry[LogColumn::kHolds], record.holds);
    return true;
}

std::string CsvLine(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        const std::string& field = fields[i];
        if (!NeedsQuotes(field)) {
            line += field;
            continue;
        }
        line += '"';
        for (const char c : field) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    }
    return line + kLineEnd;
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
