#include "ui/port/PortWatcherPosix.h"

#include "core/SettingsLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

// The folder itself when it exists, else the nearest one above it that does.
QString NearestExisting(const QString& folder)
{
    QString path = QDir::cleanPath(folder);
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return {};
        path = parent;
    }
    return path;
}

} // namespace

CPosixPortWatcher::CPosixPortWatcher(const QStringList& folders, int intervalMs)
    : CCoalescingPortWatcher(intervalMs), m_folders(folders)
{
    connect(&m_files, &QFileSystemWatcher::directoryChanged, this,
            &CPosixPortWatcher::OnFolderChanged);
    UpdateWatchedFolders();
}

QStringList CPosixPortWatcher::SystemFolders()
{
    const QSettings settings(QString::fromLatin1(SettingsLocation::kOrganization),
                             QString::fromLatin1(SettingsLocation::kApplication));
    return {QStringLiteral("/dev"), QStringLiteral("/dev/serial/by-id"),
            QFileInfo(settings.fileName()).absolutePath()};
}

void CPosixPortWatcher::OnFolderChanged()
{
    // /dev/serial/by-id comes with the first USB-serial adapter and goes with
    // the last; the settings folder with the first stored setting.
    UpdateWatchedFolders();
    NoteChange();
}

void CPosixPortWatcher::UpdateWatchedFolders()
{
    QStringList wanted;
    for (const QString& folder : m_folders) {
        const QString existing = NearestExisting(folder);
        if (!existing.isEmpty() && !wanted.contains(existing))
            wanted.push_back(existing);
    }
    const QStringList watched = m_files.directories();
    for (const QString& folder : watched)
        if (!wanted.contains(folder))
            m_files.removePath(folder);
    for (const QString& folder : wanted)
        if (!watched.contains(folder))
            m_files.addPath(folder);
}

std::unique_ptr<IPortWatcher> CreateSystemPortWatcher()
{
    return std::make_unique<CPosixPortWatcher>(CPosixPortWatcher::SystemFolders());
}
