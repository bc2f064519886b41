#pragma once
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// The last `count` lines of the file at `path`, read from its end only
// (however long the file has grown); none when it cannot be read.
QStringList LastLines(const QString& path, int count);

// The fields of a row of the window's log table.
enum LogRowField
{
    kLogTime,
    kLogPort,
    kLogLabel,
    kLogResult,
    kLogMessage,
    kLogOperation,
    kLogFields
};
// The columns shown: time, port, label, result (with the message).
constexpr int kLogShown = kLogMessage;

// The last `count` lines of the transfer log at `path`, each as the fields
// above (found by the log's header, so a log without labels reads too);
// lines that cannot be read are left out.
std::vector<std::vector<std::string>> LastLogRows(const QString& path, int count);
// The whole log at `path`; false when it cannot be read.
bool ReadWholeLog(const QString& path, std::string& text);
