#include "ui/line/LineSummary.h"

#include <QFile>

#include <algorithm>

namespace {
// How much of a file's end is read for its last lines.
constexpr qint64 kTailBytes = 16 * 1024;
} // namespace

QString RunSummary(const std::vector<std::string>& ports, const std::vector<CPortTotals>& totals,
                   bool verify)
{
    int done = 0;
    int unchanged = 0;
    int failed = 0;
    QStringList failedList;
    QStringList neverOpened;
    for (std::size_t i = 0; i < totals.size() && i < ports.size(); ++i) {
        const CPortTotals& port = totals[i];
        const QString name = QString::fromStdString(ports[i]);
        done += port.done - port.unchanged;
        unchanged += port.unchanged;
        failed += static_cast<int>(port.failed.size());
        for (const int number : port.failed)
            failedList << QStringLiteral("%1 microphone %2").arg(name).arg(number);
        if (port.neverOpened)
            neverOpened << name;
    }
    QString text =
        QStringLiteral("In all: %1 of %2 microphones %3.")
            .arg(done)
            .arg(done + unchanged + failed)
            .arg(verify ? QStringLiteral("written and verified") : QStringLiteral("written"));
    if (unchanged > 0)
        text +=
            QStringLiteral(" Unchanged (they held the configuration already): %1.").arg(unchanged);
    if (!failedList.isEmpty())
        text += QStringLiteral(" Failed: ") + failedList.join(QStringLiteral(", ")) +
                QStringLiteral(".");
    if (!neverOpened.isEmpty())
        text += QStringLiteral(" Did not open: ") + neverOpened.join(QStringLiteral(", ")) +
                QStringLiteral(".");
    return text;
}

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
