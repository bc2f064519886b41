#include "ui/production/LogTail.h"

#include "job/LogLayout.h"
#include "job/LogReport.h"
#include "words/RecordWords.h"

#include <QFile>

#include <algorithm>

namespace {
// How much of a file's end is read for its last lines.
constexpr qint64 kTailBytes = 16 * 1024;
} // namespace

QStringList LastLines(const QString& path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file.size();
    const qint64 from = std::max<qint64>(0, size - kTailBytes);
    file.seek(from);
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (from > 0 && !lines.isEmpty())
        lines.removeFirst(); // begun in the middle
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    lines.removeAll(QString());
    return lines.mid(std::max<qsizetype>(0, lines.size() - count));
}

bool ReadWholeLog(const QString& path, std::string& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    text = file.readAll().toStdString();
    return true;
}

namespace {

// The time of day of "2026-12-09T10:15:30+01:00".
std::string TimeOfDay(const std::string& time)
{
    return time.size() >= 19 && time[10] == 'T' ? time.substr(11, 8) : time;
}

} // namespace

std::vector<CLogRow> LastLogRows(const QString& path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    LogVersion version = kNewestLog;
    if (!ReadLogHeader(file.readLine().toStdString(), version))
        return {};
    std::vector<CLogRow> rows;
    std::string backup; // a backup that went well, for the write after it
    for (const QString& line : LastLines(path, count)) {
        const std::vector<CCsvRecord> records = ParseCsv(line.toStdString());
        CLogEntry entry;
        CMicRecord record;
        if (records.empty() || !records.front().complete ||
            !ReadLogEntry(records.front().fields, version, entry) || !RecordOfEntry(entry, record))
            continue;
        const bool counted = CountsAsMicrophone(record);
        CLogRow* row = nullptr;
        if (!record.unit.empty())
            for (CLogRow& earlier : rows)
                if (earlier.record.unit == record.unit)
                    row = &earlier;
        if (!row) {
            if (!counted && record.unit.empty()) {
                backup = record.file;
                continue;
            }
            rows.push_back({TimeOfDay(record.time), record, {}, {}});
            row = &rows.back();
            if (record.unit.empty())
                row->backup = backup;
            backup.clear();
        }
        if (!counted) {
            row->backup = record.file;
            continue;
        }
        row->record = record;
        row->message = entry[LogColumn::kMessage];
    }
    return rows;
}

std::vector<CLogRow> RowsOf(const std::vector<CMicRecord>& records)
{
    std::vector<CLogRow> rows;
    for (const CMicRecord& record : records)
        rows.push_back({TimeOfDay(record.time), record, RecordSentence(record), record.backupFile});
    return rows;
}
