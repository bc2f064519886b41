#include "ui/frame/HelpDocument.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace {

std::function<void(const QString&)>& Opener()
{
    static std::function<void(const QString&)> opener;
    return opener;
}

} // namespace

QString HelpDocument::Path()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kFileName));
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
