#include "support/QtTestEnvironment.h"

#include "ui/app/ProfileSettings.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

QTemporaryDir* g_settingsFolder = nullptr;

class CQtEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        QStandardPaths::setTestModeEnabled(true);
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
        m_folder = std::make_unique<QTemporaryDir>();
        g_settingsFolder = m_folder.get();
        for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, m_folder->path());
    }

    void TearDown() override
    {
        g_settingsFolder = nullptr;
        m_folder.reset();
        m_app.reset();
    }

private:
    int m_argc = 1;
    char m_name[9] = "ui_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<QTemporaryDir> m_folder;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new CQtEnvironment);

} // namespace

QString QtTestEnvironment::SettingsFolder()
{
    return g_settingsFolder ? g_settingsFolder->path() : QString();
}

void QtTestEnvironment::ClearProgramSettings()
{
    QSettings(QString::fromLatin1(CProfileSettings::kRootKey),
              QString::fromLatin1(CProfileSettings::kProgramName))
        .clear();
}

namespace {
QString BackupKey(const char* name)
{
    return QStringLiteral("Backup/") + QString::fromLatin1(name);
}
} // namespace

void QtTestEnvironment::StoreBackupValue(const char* name, const QVariant& value)
{
    QSettings(QString::fromLatin1(CProfileSettings::kRootKey),
              QString::fromLatin1(CProfileSettings::kProgramName))
        .setValue(BackupKey(name), value);
}

QVariant QtTestEnvironment::StoredBackupValue(const char* name)
{
    return QSettings(QString::fromLatin1(CProfileSettings::kRootKey),
                     QString::fromLatin1(CProfileSettings::kProgramName))
        .value(BackupKey(name));
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QZM_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QZM_ASAN 1
#endif

#ifdef QZM_ASAN
// The font and desktop libraries under Qt keep caches for the life of the
// process; they are not leaks of this program.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libglib\nleak:libdbus\nleak:libxcb\n";
}
#endif
