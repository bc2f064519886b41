#pragma once
// The layout of the transfer log, in one place: its columns, the headers of
// each version, a record as the fields of a line, and a line read back.
// The writer and every reader (the report, the window's log table) use it.
#include "job/MicRecord.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The columns, in their order. Each version of the log added columns at
// the end, so an older log is a prefix of a newer one.
enum class LogColumn
{
    kTime,
    kPort,
    kDevice,
    kModel,
    kVersion,
    kOperation,
    kFile,
    kSha256,
    kResult,
    kMessage,
    kDuration,
    kLabel, // since the second version
    kUnit,  // since the third: one value for every line of one microphone in one run
    kStage,
    kCause,
    kHolds,
    kCount
};
constexpr std::size_t kLogColumns = static_cast<std::size_t>(LogColumn::kCount);
const char* LogColumnName(LogColumn column);

// The versions by their columns: a log goes on in the version it began in.
enum class LogVersion
{
    kFirst = 11,  // up to the duration
    kLabels = 12, // and the label
    kRecords = 16 // and unit, stage, cause, holds
};
constexpr LogVersion kNewestLog = LogVersion::kRecords;
std::size_t ColumnCount(LogVersion version);
bool HasColumn(LogVersion version, LogColumn column);

// The header line of `version`, without its line end.
std::string LogHeader(LogVersion version);
// The version whose header `line` is (a CR at its end aside); false for a
// line that is no header of this tool's log.
bool ReadLogHeader(std::string_view line, LogVersion& version);

// The fields of `record`'s line in `version`, `message` in the message
// column: the file named in full, the duration in seconds.
std::vector<std::string> LogFields(const CMicRecord& record, const std::string& message,
                                   LogVersion version);

// A line of a log read back, its fields by column (those the version lacks
// empty).
struct CLogEntry
{
    int line = 0; // counted from 1, as an editor counts the file's lines
    std::array<std::string, kLogColumns> fields;

    const std::string& operator[](LogColumn column) const
    {
        return fields[static_cast<std::size_t>(column)];
    }
};
// The entry of one line's `fields` in `version`; false when the line has
// fewer fields than the version's columns.
bool ReadLogEntry(const std::vector<std::string>& fields, LogVersion version, CLogEntry& entry);
// The record that an entry holds, as far as the log keeps it: operation,
// port, device, model, version, file, sha256, result, label, unit, stage,
// cause kind and holds, and the time. False, with the record as far as it
// was read, for an operation or a result that is no word of the log's.
bool RecordOfEntry(const CLogEntry& entry, CMicRecord& record);

// The RFC 4180 records of a CSV text, each with the line it begins on;
// `complete` is false for a last record whose quote was never closed.
struct CCsvRecord
{
    int line = 0;
    std::vector<std::string> fields;
    bool complete = true;
};
std::vector<CCsvRecord> ParseCsv(std::string_view text);
// The fields of a line, quoted where a field holds a comma, a quote, CR or
// LF, inner quotes doubled; then CRLF.
std::string CsvLine(const std::vector<std::string>& fields);
