#include "ui/production/LogTail.h"

#include "link/LogReport.h"

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

std::vector<std::vector<std::string>> LastLogRows(const QString& path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const std::vector<CCsvRecord> header = ParseCsv(file.readLine().toStdString());
    if (header.empty())
        return {};
    const std::vector<std::string>& names = header.front().fields;
    const auto column = [&](const char* name) {
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    };
    const int at[kLogFields] = {column("time"),   column("port"),    column("label"),
                                column("result"), column("message"), column("operation")};
    std::vector<std::vector<std::string>> rows;
    for (const QString& line : LastLines(path, count)) {
        const std::vector<CCsvRecord> records = ParseCsv(line.toStdString());
        if (records.empty() || !records.front().complete || records.front().fields == names)
            continue;
        const std::vector<std::string>& fields = records.front().fields;
        std::vector<std::string> row(kLogFields);
        for (int i = 0; i < kLogFields; ++i)
            if (at[i] >= 0 && at[i] < static_cast<int>(fields.size()))
                row[i] = fields[at[i]];
        if (row[kLogResult].empty())
            continue;
        // The time of day of "2026-12-09T10:15:30+01:00".
        if (row[kLogTime].size() >= 19 && row[kLogTime][10] == 'T')
            row[kLogTime] = row[kLogTime].substr(11, 8);
        rows.push_back(std::move(row));
    }
    return rows;
}
