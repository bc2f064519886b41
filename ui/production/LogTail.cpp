#include "ui/production/LogTail.h"

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
