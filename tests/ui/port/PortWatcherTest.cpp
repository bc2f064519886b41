#include "ui/port/PortWatcher.h"
#include "FakePorts.h"
#include "text/TextCatalog.h"
#include "ui/port/ComPortDlg.h"
#ifndef _WIN32
#include "ui/port/PortWatcherPosix.h"
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Generous: signals come as soon as the event loop has run; this only ends a
// test that would otherwise hang.
constexpr int kSignalWaitMs = 10000;

class CFakePortWatcher : public IPortWatcher
{
public:
    void DevicesChanged() { emit PortsChanged(); }
};

} // namespace

TEST(PortWatch, AChangeSeenByTheWatcherRefreshesTheOpenDialog)
{
    CTextCatalog texts;
    ASSERT_TRUE(texts.SelectLanguage("English"));
    CFakePorts ports(3);
    ports.Set(3, CFakePorts::Kind::Rs232);
    CFakePortWatcher watcher;
    CComPortDlg dialog(ports, texts);
    dialog.WatchPorts(watcher);
    EXPECT_FALSE(dialog.PortButton(7)->isEnabled());

    ports.Set(7, CFakePorts::Kind::Rs232); // a cable plugged in
    ports.pauses.clear();
    watcher.DevicesChanged();
    EXPECT_TRUE(dialog.PortButton(7)->isEnabled());
    EXPECT_EQ(ports.pauses.size(), static_cast<std::size_t>(CComPortDlg::kPortCount))
        << "the dialog's own refresh ran";
    EXPECT_TRUE(dialog.PortButton(3)->isChecked());

    ports.Set(7, CFakePorts::Kind::Missing); // and pulled out again
    watcher.DevicesChanged();
    EXPECT_FALSE(dialog.PortButton(7)->isEnabled());
}

TEST(PortWatch, ABurstOfChangesGivesOneSignalAfterTheWait)
{
    CCoalescingPortWatcher watcher(0);
    QSignalSpy spy(&watcher, &IPortWatcher::PortsChanged);
    watcher.NoteChange();
    watcher.NoteChange();
    watcher.NoteChange();
    EXPECT_EQ(spy.count(), 0) << "nothing before the wait is over";
    ASSERT_TRUE(spy.wait(kSignalWaitMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);

    watcher.NoteChange();
    ASSERT_TRUE(spy.wait(kSignalWaitMs));
    EXPECT_EQ(spy.count(), 2) << "a later change is seen again";
}

#ifndef _WIN32
TEST(PortWatch, TheSystemWatcherSeesDevicesComeAndGoInItsFolders)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir(root.path()).mkpath(QStringLiteral("dev"));
    QDir(root.path()).mkpath(QStringLiteral("config"));
    const QString dev = root.filePath(QStringLiteral("dev"));
    const QString byId = root.filePath(QStringLiteral("dev/serial/by-id"));
    const QString config = root.filePath(QStringLiteral("config"));
    const QString settings = root.filePath(QStringLiteral("config/ZEPHRAN"));
    CPosixPortWatcher watcher({dev, byId, settings}, 0);
    EXPECT_EQ(watcher.WatchedFolders(), (QStringList{dev, config}))
        << "a folder that does not exist yet is watched through the one above it";
    QSignalSpy spy(&watcher, &IPortWatcher::PortsChanged);

    // An adapter plugged in: its node, then its by-id link.
    QFile node(QDir(dev).filePath(QStringLiteral("ttyUSB0")));
    ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    node.close();
    ASSERT_TRUE(QDir(dev).mkpath(QStringLiteral("serial/by-id")));
    ASSERT_TRUE(spy.wait(kSignalWaitMs));
    EXPECT_TRUE(watcher.WatchedFolders().contains(byId));

    int seen = spy.count();
    ASSERT_TRUE(QFile::link(node.fileName(), byId + QStringLiteral("/usb-FTDI-if00-port0")));
    ASSERT_TRUE(spy.wait(kSignalWaitMs));
    EXPECT_GT(spy.count(), seen);

    // The first stored setting makes the settings folder.
    seen = spy.count();
    ASSERT_TRUE(QDir(config).mkdir(QStringLiteral("ZEPHRAN")));
    ASSERT_TRUE(spy.wait(kSignalWaitMs));
    EXPECT_GT(spy.count(), seen);
    EXPECT_TRUE(watcher.WatchedFolders().contains(settings));
    EXPECT_FALSE(watcher.WatchedFolders().contains(config)) << "no longer needed";

    // The adapter pulled out again.
    seen = spy.count();
    ASSERT_TRUE(node.remove());
    ASSERT_TRUE(spy.wait(kSignalWaitMs));
    EXPECT_GT(spy.count(), seen);
}

TEST(PortWatch, SystemFoldersAreDevByIdAndTheSettingsFolder)
{
    const QStringList folders = CPosixPortWatcher::SystemFolders();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_EQ(folders[0], QStringLiteral("/dev"));
    EXPECT_EQ(folders[1], QStringLiteral("/dev/serial/by-id"));
}
#endif
