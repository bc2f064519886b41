#include "ui/frame/HelpDocument.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifndef QZM_HELP_FROM_BIN
#define QZM_HELP_FROM_BIN "../share/doc/qzm530rx"
#endif

namespace {

std::function<void(const QString&)>& Opener()
{
    static std::function<void(const QString&)> opener;
    return opener;
}

} // namespace

QString HelpDocument::PathFor(const QString& programDir)
{
    const QDir folder(programDir);
    const QString beside = folder.filePath(QString::fromLatin1(kFileName));
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(
        folder.filePath(QStringLiteral(QZM_HELP_FROM_BIN "/") + QString::fromLatin1(kFileName)));
    return QFileInfo::exists(installed) ? installed : beside;
}

QString HelpDocument::Path()
{
    return PathFor(QCoreApplication::applicationDirPath());
}

void HelpDocument::OpenHelp()
{
    const QString path = Path();
    if (Opener()) {
        Opener()(path);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void HelpDocument::SetOpener(std::function<void(const QString&)> opener)
{
    Opener() = std::move(opener);
}
