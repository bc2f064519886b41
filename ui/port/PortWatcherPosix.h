#pragma once
#include "ui/port/PortWatcher.h"

#include <QFileSystemWatcher>
#include <QStringList>

// Linux and macOS: serial devices are files in /dev (and on Linux links in
// /dev/serial/by-id), and a simulator or the user pins a device to a port
// number in the per-user settings file. Any change in those folders counts.
class CPosixPortWatcher : public CCoalescingPortWatcher
{
    Q_OBJECT

public:
    // Watches each of `folders`; one that does not exist yet through the
    // nearest folder above it that does, until it appears.
    explicit CPosixPortWatcher(const QStringList& folders, int intervalMs = kDefaultIntervalMs);

    // /dev, /dev/serial/by-id and the folder of the per-user settings.
    static QStringList SystemFolders();

    // The folders watched now.
    QStringList WatchedFolders() const { return m_files.directories(); }

private:
    void OnFolderChanged();
    // Brings the watched folders in line with those that exist now.
    void UpdateWatchedFolders();

    QStringList m_folders;
    QFileSystemWatcher m_files;
};
