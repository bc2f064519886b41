#pragma once
#include <QString>
#include <QStringList>

#include "job/MicRecord.h"

#include <string>
#include <vector>

// The last `count` lines of the file at `path`, read from its end only
// (however long the file has grown); none when it cannot be read.
QStringList LastLines(const QString& path, int count);

// A row of the window's log table: one microphone, its backup, write and
// read-back together.
struct CLogRow
{
    std::string time;    // the time of day its first line began, "10:15:30"
    CMicRecord record;   // how it ended, as far as the log keeps it
    std::string message; // what the log says of it
    std::string backup;  // the file its backup went into; empty: none
};

// The rows of the microphones in the last `count` lines of the transfer log
// at `path`, in the order they began: the lines of one unit make one row,
// and a log without units gives a row per microphone line (a backup that
// went well is its write's). Lines that cannot be read are left out.
std::vector<CLogRow> LastLogRows(const QString& path, int count);
// The rows of records that were not logged.
std::vector<CLogRow> RowsOf(const std::vector<CMicRecord>& records);
// The whole log at `path`; false when it cannot be read.
bool ReadWholeLog(const QString& path, std::string& text);
