#pragma once
#include <cstddef>
#include <string>

// A log line made ready before a step of a job, so that a process that
// must end at once (a second Ctrl+C) still leaves the line that says where
// the microphone was left. Each job holds one; the signal handler writes
// every line held with WritePendingLinesNow and ends the process.
class CPendingLine
{
public:
    CPendingLine();
    ~CPendingLine();
    CPendingLine(const CPendingLine&) = delete;
    CPendingLine& operator=(const CPendingLine&) = delete;

    // Holds `line` for the log at `path` (with `header` before it when the
    // log is empty then) in place of the line held before. A line too long
    // to be held is not held, nor one after the handler has written one.
    void Hold(const std::string& path, const std::string& header, const std::string& line);
    // Lets the line go: the job writes its own. True when it may; false once
    // the handler has written the line held (the process is ending: the job
    // writes nothing more). A job whose line the handler is writing at that
    // moment waits here until it has been written.
    bool Release();

private:
    std::size_t m_slot;
};

// Appends every line held to its log, in one write each under the log's
// lock. Only calls that a signal handler may make, on what was held
// beforehand.
void WritePendingLinesNow();
