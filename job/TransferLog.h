#pragma once
#include "job/LogLayout.h"

#include <cstdint>
#include <string>

struct CMicRecord;

// What a file named as the log is, before a line goes into it.
enum class LogFileState
{
    kNew,        // missing or empty: it begins with the newest header
    kLog,        // it begins with the header of one of the log's versions
    kNotALog,    // something else: a data file, a profile, a text
    kNotWritable // no regular file that can be appended to (a folder, a FIFO, no permission)
};
// The state of the file at `path` and, for a log (or a new one), the
// version its lines are written in. A FIFO is never opened: it would hold
// the run until a reader came.
LogFileState InspectLog(const std::string& path, LogVersion& version);

// A CSV file that transfers append their records to, one line each, quoted
// as RFC 4180 says (CRLF line ends). Several threads and processes may
// append to the same file at once: each line goes out in one write under
// an exclusive lock of the file, so no line is interleaved with another or
// lost, and the header line is written only by the writer that finds the
// file empty. A log goes on in the version it began in.
class CTransferLog
{
public:
    explicit CTransferLog(std::string path) : m_path(std::move(path)) {}

    // Appends the line of `record`, with `message` in its message column,
    // and the header before it when the file is new or empty. False with
    // `reason` set (the system's words) when it could not be written, and
    // with `notALog` set when the file is no log of this tool (then it is
    // left as it was).
    bool Append(const CMicRecord& record, const std::string& message, std::string& reason,
                bool& notALog) const;
    // The header and the line that Append would write now; false when the
    // file is no log.
    bool Prepare(const CMicRecord& record, const std::string& message, std::string& header,
                 std::string& line) const;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// The local time now, "2024-05-01T10:15:30+02:00".
std::string IsoLocalTimeNow();
// The local time now for file names, "20240501-101530".
std::string FileTimeStampNow();

// The SHA-256 of `count` bytes, in lower-case hex.
std::string Sha256Hex(const uint8_t* bytes, std::size_t count);

// Writes `line` at the end of the file at `path` (created when missing),
// preceded by `header` when the file is empty, in one write under an
// exclusive lock (platform files). False with `error` set on failure.
bool AppendLockedLine(const std::string& path, const std::string& header, const std::string& line,
                      std::string& error);
