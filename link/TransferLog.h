#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One line of the transfer log: one microphone, one transfer.
struct CLogRecord
{
    std::string time;      // ISO 8601 local time with offset
    std::string port;      // as the user named it
    std::string device;    // the device the port opened
    std::string model;     // from the identification record; empty when none came
    std::string version;   // likewise
    std::string operation; // "read", "write" or "backup"
    std::string file;      // the data file
    std::string sha256;    // of the image in the data file, lower-case hex
    std::string result;    // "verified", "written", "differs", ...
    std::string message;   // what the user was told
    uint32_t durationMs = 0;
    std::string label; // the microphone's label as the user gave it; empty: none asked
};

// A CSV file that transfers append their records to, one line each, quoted
// as RFC 4180 says (CRLF line ends). Several threads and processes may
// append to the same file at once: each line goes out in one write under
// an exclusive lock of the file, so no line is interleaved with another or
// lost, and the header line is written only by the writer that finds the
// file empty.
class CTransferLog
{
public:
    explicit CTransferLog(std::string path) : m_path(std::move(path)) {}

    // Appends one line, and the header before it when the file is new or
    // empty. False with `error` set when the file could not be written.
    bool Append(const CLogRecord& record, std::string& error) const;

    const std::string& Path() const { return m_path; }

    // The columns; the label came last, after logs without it were kept:
    // a log that began without it goes on without it.
    static const char* const kHeader;
    static const char* const kHeaderWithoutLabel;

private:
    std::string m_path;
};

// One CSV line of the record's fields, with its CRLF; without the label for
// a log that began without that column.
std::string FormatLogLine(const CLogRecord& record, bool withLabel = true);
// Whether the log at `path` has the label column: a log not begun yet
// (missing or empty) will have it; one that began without it has not.
bool LogHasLabelColumn(const std::string& path);
// The fields of a line, quoted where a field holds a comma, a quote, CR or
// LF, inner quotes doubled; then CRLF.
std::string CsvLine(const std::vector<std::string>& fields);

// The local time now, "2024-05-01T10:15:30+02:00".
std::string IsoLocalTimeNow();
// The local time now for file names, "20240501-101530".
std::string FileTimeStampNow();

// The SHA-256 of `count` bytes, in lower-case hex.
std::string Sha256Hex(const uint8_t* bytes, std::size_t count);

// Whether a log can be appended to at `path`, checked before any transfer:
// a regular file that can be opened for appending, or none yet (a FIFO
// would hold the run in its opening until a reader came). True for an
// empty path (no log); false with `error` set ("cannot write the log P").
bool CanAppendLog(const std::string& path, std::string& error);

// Writes `line` at the end of the file at `path` (created when missing),
// preceded by `header` when the file is empty, in one write under an
// exclusive lock (platform files). False with `error` set on failure.
bool AppendLockedLine(const std::string& path, const std::string& header, const std::string& line,
                      std::string& error);
