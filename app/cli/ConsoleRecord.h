#pragma once
// A microphone's record as the tool tells it: the lines on the console,
// the PUT ASIDE line of a production line, and its fields in JSON.
#include "job/MicRecord.h"
#include "job/ProgrammingJob.h"

#include <QJsonObject>

#include <string>
#include <vector>

// One line of the console: on stdout (a result) or stderr (a failure's).
struct CConsoleLine
{
    bool toOut = true;
    std::string text;
};
// What ends one job on the console: the record's sentence (on stdout when
// the job did what it was asked, else on stderr), then for a failure its
// cause ("Cause: ...") and, for a port or an entry, doctor as the next step
// ("Try: ..."), and the log's trouble when its line was not written.
std::vector<CConsoleLine> ConsoleLines(const CMicRecord& record);

// What a job tells between its transfers: "Reading again to confirm.",
// "The microphone's configuration was saved as /bk/x.dat.".
std::string JobEventText(const CJobEvent& event);

// "PUT ASIDE: COM4 microphone 7 (SN-1): Write failed: NAK on block 1,
// three times. The microphone was not changed."
std::string PutAsideLine(const CMicRecord& record);

// Every field of the record, null where it has none: operation, port,
// device, microphone, unit, label, file, model, version, sha256, result,
// stage, cause (its word), causeText, block and blocks (counted from 1),
// offset, identifier, holds, backup, wayBack (file, port, command), logged.
void AddRecordJson(QJsonObject& json, const CMicRecord& record);
