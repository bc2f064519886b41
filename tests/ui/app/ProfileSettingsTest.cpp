#include "ui/app/ProfileSettings.h"
#include "support/QtTestEnvironment.h"
#include "ui/app/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ProfileSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { QtTestEnvironment::ClearProgramSettings(); }

    // The store as another program would see it.
    static void Store(const char* name, const QVariant& value)
    {
        QtTestEnvironment::StoreBackupValue(name, value);
    }
    static QVariant Stored(const char* name) { return QtTestEnvironment::StoredBackupValue(name); }

    CProfileSettings m_profile;
};

} // namespace

TEST_F(ProfileSettingsTest, ValuesLiveInTheBackupSectionOfTheProgramsStore)
{
    EXPECT_EQ(m_profile.ReadLastFilePath(), "");
    m_profile.WriteComPort(12);
    m_profile.WriteLastFilePath("/home/user/Documents/Zephran/QZM-530RX/");
    EXPECT_EQ(Stored("ComPort").toInt(), 12);
    EXPECT_EQ(Stored("LastFilePath").toString(),
              QStringLiteral("/home/user/Documents/Zephran/QZM-530RX/"));
    EXPECT_EQ(m_profile.ReadLastFilePath(), "/home/user/Documents/Zephran/QZM-530RX/");
    // Under the temporary folder, never the user's own store.
    EXPECT_TRUE(QFileInfo::exists(QtTestEnvironment::SettingsFolder() + "/ZEPHRAN/QZM530RX.conf"));
}

TEST_F(ProfileSettingsTest, ComPortOutsideOneToTwentyReadsAsOne)
{
    // 25, 0 and -3 are covered with the whole program; here the edges.
    EXPECT_EQ(m_profile.ReadComPort(), 1); // missing
    for (const QVariant& stored : {QVariant(21), QVariant(QStringLiteral("COM3"))}) {
        Store("ComPort", stored);
        EXPECT_EQ(m_profile.ReadComPort(), 1) << stored.toString().toStdString();
        EXPECT_EQ(Stored("ComPort"), stored) << "reading leaves the value alone";
    }
    m_profile.WriteComPort(20);
    EXPECT_EQ(m_profile.ReadComPort(), 20);
}

TEST_F(ProfileSettingsTest, LastWinPosIsStoredAsTenNumbersAndReadOnlyWhenAllParse)
{
    EXPECT_FALSE(m_profile.ReadLastWinPos());

    CWindowPlacement placement;
    placement.showState = CWindowPlacement::kShowNormal;
    placement.left = 100;
    placement.top = 50;
    placement.right = 900;
    placement.bottom = 650;
    m_profile.WriteLastWinPos(placement);
    EXPECT_EQ(Stored("LastWinPos").toString(), QStringLiteral("0:1:-1:-1:-1:-1:100:50:900:650"));
    EXPECT_EQ(m_profile.ReadLastWinPos(), placement);

    Store("LastWinPos", QStringLiteral("0:1:-1:-1:-1:-1:100:50:900"));
    EXPECT_FALSE(m_profile.ReadLastWinPos());
}

namespace {

class InitialFolderTest : public ::testing::Test
{
protected:
    std::string Path(const QString& relative) const
    {
        return QDir::toNativeSeparators(m_root.filePath(relative)).toStdString();
    }
    std::string Folder(const QString& relative) const
    {
        return Path(relative) + QDir::separator().toLatin1();
    }
    void MakeFolder(const QString& relative) const
    {
        ASSERT_TRUE(QDir(m_root.path()).mkpath(relative));
    }
    void MakeFile(const QString& relative) const
    {
        QFile file(m_root.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir m_root;
};

} // namespace

TEST_F(InitialFolderTest, StoredPathThatExistsWins)
{
    MakeFolder("work");
    MakeFolder("docs");
    EXPECT_EQ(InitialFolder({Path("work"), Path("docs"), Path("bin")}), Path("work"));
}

TEST_F(InitialFolderTest, FirstRunCreatesTheDataFoldersUnderDocuments)
{
    MakeFolder("docs");
    for (const std::string& stored : {std::string(), Path("gone")}) {
        EXPECT_EQ(InitialFolder({stored, Path("docs"), Path("bin")}),
                  Folder("docs/Zephran/QZM-530RX"));
    }
    EXPECT_TRUE(QFileInfo(m_root.filePath("docs/Zephran/QZM-530RX")).isDir());
}

TEST_F(InitialFolderTest, DocumentsFolderItselfWhenTheDataFoldersCannotBeMade)
{
    MakeFolder("docs");
    MakeFile("docs/Zephran"); // exists, but nothing can be made inside it
    EXPECT_EQ(InitialFolder({"", Path("docs"), Path("bin")}), Folder("docs"));

    // A joined path past the limit is not attempted.
    const QString deep = QString(235, QLatin1Char('d'));
    MakeFolder(deep);
    EXPECT_EQ(InitialFolder({"", Path(deep), Path("bin")}), Folder(deep));
    EXPECT_FALSE(QFileInfo::exists(m_root.filePath(deep + "/Zephran")));

    // A subfolder whose path is exactly as long as a path may be is made;
    // one character more is refused.
    const std::string root = Folder("");
    for (const std::size_t length : {kMaxPathLength, kMaxPathLength + 1}) {
        const std::string name(length - root.size(), 'n');
        EXPECT_EQ(EnsureSubfolder(root, name).has_value(), length == kMaxPathLength) << length;
    }
}

TEST_F(InitialFolderTest, ProgramFolderWithoutDocuments)
{
    MakeFolder("bin");
    EXPECT_EQ(InitialFolder({"", std::nullopt, Path("bin")}), Folder("bin"));
    MakeFolder("bin/DATA");
    EXPECT_EQ(InitialFolder({"", std::nullopt, Path("bin")}), Folder("bin/DATA"));
}
