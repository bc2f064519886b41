#include "ui/frame/FileCommands.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "support/FakeFileDialogs.h"
#include "support/RecordingPresenter.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"
#include "ui/app/FilePaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include "support/FifoWatchdog.h"
#endif

namespace fs = std::filesystem;

namespace {

class FileCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_texts.SelectLanguage("English"));
        m_dir = fs::temp_directory_path() /
                ("qzm-filecmd-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "other");
        m_paths.currentFolder = CFilePaths::WithSeparator(m_dir.string());
        m_store.Reset();
        m_commands.SetRefreshForm([this] { ++m_refreshes; });
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string In(const std::string& name) const { return (m_dir / name).string(); }
    void Change() { m_store.SetSwitch(SettingId::kBatterySave, 1); }
    std::vector<std::string> Titles() const
    {
        std::vector<std::string> titles;
        for (const auto& box : m_presenter.boxes)
            titles.push_back(box.title);
        return titles;
    }

    CTextCatalog m_texts;
    CConfigStore m_store{&m_texts};
    CFilePaths m_paths;
    CRecordingPresenter m_presenter;
    CMessageBoxes m_boxes{m_texts, &m_presenter};
    CFakeFileDialogs m_dialogs;
    CFixedClock m_clock{9, 30, 0};
    CFileCommands m_commands{m_store, m_paths, m_texts, m_boxes, m_dialogs, m_clock};
    fs::path m_dir;
    int m_refreshes = 0;
};

TEST_F(FileCommandsTest, SaveWarnsOnlyBeforeOverwritingAndKeepsTheChangeUnsaved)
{
    Change();
    ASSERT_TRUE(m_commands.Save(nullptr));
    EXPECT_TRUE(fs::exists(In("qzm530rx.dat")));
    EXPECT_TRUE(m_presenter.boxes.empty()) << "no warning for a new file";

    m_presenter.SetNextAnswer(MessageAnswer::kCancel);
    EXPECT_FALSE(m_commands.Save(nullptr));
    ASSERT_EQ(m_presenter.boxes.size(), 1u);
    EXPECT_EQ(m_presenter.boxes[0].text, "The new data will overwrite the old data.\n\n"
                                         "Save the file name as : qzm530rx.dat");
    EXPECT_EQ(m_presenter.boxes[0].title, "Warning");
    EXPECT_EQ(m_presenter.boxes[0].style, 0x131u);

    EXPECT_TRUE(m_commands.Save(nullptr));
    EXPECT_TRUE(m_store.IsModified()) << "a save does not touch the saved copy";
}

TEST_F(FileCommandsTest, SaveAsExtendsNamesThatDoNotEndInDat)
{
    const struct
    {
        const char* typed;
        const char* written;
    } cases[] = {{"setup.txt", "setup.txt.dat"},
                 {"SETUP.DAT", "SETUP.DAT.dat"},
                 {"setup.", "setup.dat"},
                 {"plain.dat", "plain.dat"}};
    for (const auto& c : cases) {
        m_dialogs.answers.push_back((m_dir / "other" / c.typed).string());
        ASSERT_TRUE(m_commands.SaveAs(nullptr)) << c.typed;
        EXPECT_TRUE(fs::exists(m_dir / "other" / c.written)) << c.typed;
        EXPECT_EQ(m_paths.currentFileName, c.written);
        EXPECT_EQ(m_paths.currentFolder, (m_dir / "other").string() + "/");
    }
    EXPECT_EQ(m_dialogs.saveCalls.back().fileName, "setup.dat")
        << "the dialog starts with the current name";
    EXPECT_EQ(m_dialogs.saveCalls.back().filter, "DSS Data Files (*.dat)");

    // A cancelled or failed Save As keeps the name and folder.
    const CFilePaths before = m_paths;
    EXPECT_FALSE(m_commands.SaveAs(nullptr));
    m_dialogs.answers.push_back(In("missing/x.dat"));
    EXPECT_FALSE(m_commands.SaveAs(nullptr));
    EXPECT_EQ(m_presenter.boxes.back().title, "Error");
    EXPECT_EQ(m_paths.currentFileName, before.currentFileName);
    EXPECT_EQ(m_paths.currentFolder, before.currentFolder);
}

TEST_F(FileCommandsTest, OpenLoadsReportsAndIgnoresOtherExtensions)
{
    // A saved configuration with a change in it.
    Change();
    ASSERT_TRUE(m_commands.Save(nullptr));
    m_store.Reset();

    m_dialogs.answers.push_back(In("qzm530rx.dat"));
    m_commands.Open(nullptr);
    EXPECT_EQ(m_store.GetValue(SettingId::kBatterySave), 1);
    EXPECT_FALSE(m_store.IsModified());
    EXPECT_EQ(m_refreshes, 1);
    EXPECT_TRUE(m_presenter.boxes.empty());

    std::ofstream(In("notes.txt")) << "hello";
    m_dialogs.answers.push_back(In("notes.txt"));
    m_commands.Open(nullptr);
    EXPECT_TRUE(m_presenter.boxes.empty()) << "not a data file name: nothing happens";
    EXPECT_EQ(m_paths.lastOpenedFileName, "notes.txt");

    std::ofstream(In("other/foreign.dat"), std::ios::binary)
        << std::string("QZM-400\0\xFF\xFF", 10) << std::string(2359, '\xFF');
    m_dialogs.answers.push_back(In("other/foreign.dat"));
    m_commands.Open(nullptr);
    ASSERT_EQ(m_presenter.boxes.size(), 1u);
    EXPECT_EQ(m_presenter.boxes[0].text,
              "The foreign.dat file cannot be opened since it is configured for QZM-400.");
    EXPECT_EQ(m_refreshes, 1);
    EXPECT_EQ(m_paths.currentFolder, CFilePaths::WithSeparator(m_dir.string()))
        << "Open changes neither folder nor name";
    EXPECT_EQ(m_paths.currentFileName, "qzm530rx.dat");
}

#ifndef _WIN32
// Open refuses a FIFO at once, with or without a writer on it, as a file
// that cannot be opened; the configuration stays as it was.
TEST_F(FileCommandsTest, OpenRefusesAFifoAtOnce)
{
    Change();
    m_store.ImageToSaved();
    for (const bool holdWriter : {false, true}) {
        m_presenter.boxes.clear();
        CFifoWatchdog watchdog(In("fifo.dat"), holdWriter);
        ASSERT_TRUE(watchdog.Made());
        m_dialogs.answers.push_back(In("fifo.dat"));
        m_commands.Open(nullptr);
        EXPECT_FALSE(watchdog.Fired()) << "Open waited on the FIFO";
        ASSERT_EQ(m_presenter.boxes.size(), 1u);
        EXPECT_EQ(m_presenter.boxes[0].text, "Can not be opend.");
        EXPECT_EQ(m_store.GetValue(SettingId::kBatterySave), 1);
        EXPECT_FALSE(m_store.IsModified());
        EXPECT_EQ(m_refreshes, 0);
    }
}
#endif

TEST_F(FileCommandsTest, SaveQuestionGuardsOpenAndClose)
{
    // Unchanged: Close asks only the exit question.
    EXPECT_TRUE(m_commands.ConfirmClose(nullptr));
    EXPECT_EQ(Titles(), std::vector<std::string>{"Confirmation"});
    m_presenter.boxes.clear();

    Change();
    m_presenter.SetNextAnswer(MessageAnswer::kOk);
    m_presenter.SetNextAnswer(MessageAnswer::kCancel);
    EXPECT_FALSE(m_commands.ConfirmClose(nullptr));
    ASSERT_EQ(m_presenter.boxes.size(), 2u);
    EXPECT_EQ(m_presenter.boxes[1].text, "Do you wish to save the change in \"qzm530rx.dat\" ?");
    EXPECT_EQ(m_presenter.boxes[1].title, "QZM-530RX");
    EXPECT_EQ(m_presenter.boxes[1].style, 0x33u);

    // Yes with a cancelled Save As stops the command: nothing is lost.
    m_presenter.SetNextAnswer(MessageAnswer::kOk);
    m_presenter.SetNextAnswer(MessageAnswer::kYes);
    EXPECT_FALSE(m_commands.ConfirmClose(nullptr));
    m_presenter.SetNextAnswer(MessageAnswer::kYes);
    m_commands.Open(nullptr);
    EXPECT_TRUE(m_dialogs.openCalls.empty()) << "Open stopped before its dialog";

    // Yes with a Save As that saves lets it go on; No goes on without saving.
    m_presenter.SetNextAnswer(MessageAnswer::kOk);
    m_presenter.SetNextAnswer(MessageAnswer::kYes);
    m_dialogs.answers.push_back(In("kept"));
    EXPECT_TRUE(m_commands.ConfirmClose(nullptr));
    EXPECT_TRUE(fs::exists(In("kept.dat")));
    m_presenter.SetNextAnswer(MessageAnswer::kOk);
    m_presenter.SetNextAnswer(MessageAnswer::kNo);
    EXPECT_TRUE(m_commands.ConfirmClose(nullptr));

    m_presenter.SetNextAnswer(MessageAnswer::kCancel);
    EXPECT_FALSE(m_commands.ConfirmClose(nullptr)) << "Cancel on the exit question stays";
}

TEST_F(FileCommandsTest, NewClearsOnlyAfterOk)
{
    Change();
    m_presenter.SetNextAnswer(MessageAnswer::kCancel);
    m_commands.New(nullptr);
    EXPECT_TRUE(m_store.IsModified());
    EXPECT_EQ(m_presenter.boxes.back().text, "All data will be cleared.");
    EXPECT_EQ(m_presenter.boxes.back().style, 0x131u);
    m_commands.New(nullptr);
    EXPECT_FALSE(m_store.IsModified());
    EXPECT_EQ(m_store.GetValue(SettingId::kBatterySave), 0);
    EXPECT_EQ(m_refreshes, 1);
    EXPECT_EQ(m_presenter.boxes.size(), 2u) << "no save question";
}

TEST_F(FileCommandsTest, TooLongPathsAreRefusedNotCut)
{
    m_paths.currentFileName = std::string(CFilePaths::MaxPathLength(), 'a') + ".dat";
    Change();
    EXPECT_FALSE(m_commands.Save(nullptr));
    ASSERT_EQ(m_presenter.boxes.size(), 1u);
    EXPECT_EQ(m_presenter.boxes[0].title, "Error");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), {}), 1) << "only the 'other' folder";

    std::string path;
    std::error_code error;
    // A path as long as the system allows is joined; one character more is not.
    const std::size_t longest = CFilePaths::MaxPathLength();
    EXPECT_TRUE(CFilePaths::Join("/f/", std::string(longest - 3, 'n'), path, error));
    EXPECT_EQ(path.size(), longest);
    EXPECT_FALSE(CFilePaths::Join("/f/", std::string(longest - 2, 'n'), path, error));
    EXPECT_EQ(error, std::errc::filename_too_long);
    EXPECT_TRUE(CFilePaths::Join("C:\\a\\", "b.dat", path, error));
    EXPECT_EQ(path, "C:\\a\\b.dat");
    EXPECT_EQ(CFilePaths::FolderOf("C:x.dat"), "C:");
    EXPECT_EQ(CFilePaths::FileNameOf("C:\\dir/sub\\x.dat"), "x.dat");
}

} // namespace
