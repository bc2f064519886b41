#include "ui/frame/MainFrame.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "support/FakeFileDialogs.h"
#include "support/QtTestEnvironment.h"
#include "support/RecordingPresenter.h"
#include "support/WidgetTestSupport.h"
#include "text/TextCatalog.h"
#include "ui/app/FilePaths.h"
#include "ui/app/QZM530RXApp.h"
#include "ui/app/WindowPlacement.h"
#include "ui/frame/AboutDlg.h"
#include "ui/frame/HelpDocument.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kOk = MessageAnswer::kOk;
constexpr int kCancel = MessageAnswer::kCancel;
constexpr int kYes = MessageAnswer::kYes;
constexpr int kNo = MessageAnswer::kNo;

const std::string kAskExit = "Do you wish to exit this program?";
const std::string kAskSave = "Do you wish to save the change in \"qzm530rx.dat\" ?";

class MainFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QtTestEnvironment::ClearProgramSettings();
        CAppOptions options;
        options.presenter = &m_presenter;
        options.fileDialogs = &m_dialogs;
        options.clock = &m_clock;
        const std::string documents = m_documents.path().toStdString();
        options.folderSources = [documents](const std::string& stored) {
            return CFolderSources{stored, documents, "/nonexistent/bin"};
        };
        m_app = std::make_unique<CQZM530RXApp>(1, m_argv, options);
        ASSERT_TRUE(m_app->InitInstance());
        m_frame = m_app->MainFrame();
        m_refreshes = std::make_unique<QSignalSpy>(m_frame, &CMainFrame::formRefreshRequested);
    }

    void TearDown() override { HelpDocument::SetOpener({}); }

    // The folder that Save writes to and the dialogs start in.
    std::string Folder() const { return m_app->FilePaths().currentFolder; }
    std::string InFolder(const std::string& name) const { return Folder() + name; }
    std::string ElsewhereFolder() const
    {
        return CFilePaths::WithSeparator(
            QDir::toNativeSeparators(m_documents.path()).toStdString());
    }
    std::string Elsewhere(const std::string& name) const
    {
        return QDir::toNativeSeparators(m_documents.filePath(QString::fromStdString(name)))
            .toStdString();
    }

    void Change() { m_app->Store().SetSwitch(SettingId::kBatterySave, 1); }

    // The menu item as the user picks it.
    void Pick(int commandId)
    {
        QAction* action = m_frame->MenuAction(commandId);
        ASSERT_NE(action, nullptr) << commandId;
        action->trigger();
    }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : m_presenter.boxes)
            texts.push_back(box.text);
        return texts;
    }

    static QVariant StoredPlacement() { return QtTestEnvironment::StoredBackupValue("LastWinPos"); }

    // Writes a data file of this program holding the current configuration.
    void SaveConfiguration(const std::string& path)
    {
        std::error_code error;
        ASSERT_EQ(SaveDataFile(m_app->Store(), path, m_clock, error), DataFile::kSaved);
    }

    CRecordingPresenter m_presenter;
    CFakeFileDialogs m_dialogs;
    CFixedClock m_clock{2024, 5, 6};
    QTemporaryDir m_documents;
    const char* m_argv[1] = {"qzm530rx"};
    std::unique_ptr<CQZM530RXApp> m_app;
    CMainFrame* m_frame = nullptr;
    std::unique_ptr<QSignalSpy> m_refreshes;
};

struct CMenuExpectation
{
    int menu;
    int commandId; // 0 for a separator
    const char* text;
};

} // namespace

TEST_F(MainFrameTest, MenuCarriesTheCatalogueTextsAndTheCommandIds)
{
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("QZM-530RX"));
    EXPECT_TRUE(m_frame->findChildren<QToolBar*>().isEmpty());
    EXPECT_TRUE(m_frame->findChildren<QStatusBar*>().isEmpty());

    const QList<QAction*> titles = m_frame->menuBar()->actions();
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(titles[0]->text(), QStringLiteral("&File"));
    EXPECT_EQ(titles[1]->text(), QStringLiteral("&Help"));

    const CMenuExpectation expected[] = {
        {0, 32773, "&New"},  {0, 32774, "&Open"},
        {0, 32775, "&Save"}, {0, 32776, "Save &As"},
        {0, 0, ""},          {0, 32777, "E&xit"},
        {1, 32772, "&Help"}, {1, 32771, "&About QZM-530RX"},
    };
    std::vector<int> seen(titles.size(), 0);
    for (const CMenuExpectation& item : expected) {
        SCOPED_TRACE(item.commandId);
        const QList<QAction*> actions = titles[item.menu]->menu()->actions();
        ASSERT_LT(seen[item.menu], actions.size());
        const QAction* action = actions[seen[item.menu]++];
        EXPECT_EQ(action->isSeparator(), item.commandId == 0);
        if (item.commandId == 0)
            continue;
        EXPECT_EQ(action->data().toInt(), item.commandId);
        EXPECT_EQ(action->text(), QString::fromLatin1(item.text));
        EXPECT_TRUE(action->shortcut().isEmpty()) << "the menu shows its texts only";
    }
    for (int menu = 0; menu < titles.size(); ++menu)
        EXPECT_EQ(seen[menu], titles[menu]->menu()->actions().size());
}

TEST_F(MainFrameTest, MenuIsRelabelledByPositionAndCommandId)
{
    // In the ID display mode every label shows the ID it was looked up by.
    const QString previous = QDir::currentPath();
    QTemporaryDir dumpFolder;
    QDir::setCurrent(dumpFolder.path());
    {
        const char* argv[] = {"qzm530rx", "_qv"};
        CAppOptions options;
        options.presenter = &m_presenter;
        options.fileDialogs = &m_dialogs;
        CQZM530RXApp idApp(2, argv, options);
        ASSERT_TRUE(idApp.InitInstance());
        const QList<QAction*> titles = idApp.MainFrame()->menuBar()->actions();
        ASSERT_EQ(titles.size(), 2);
        EXPECT_EQ(titles[0]->text(), QStringLiteral("ID:10003001"));
        EXPECT_EQ(titles[1]->text(), QStringLiteral("ID:10003009"));
        for (const int id : {32773, 32774, 32775, 32776, 32777, 32772, 32771}) {
            const QAction* action = idApp.MainFrame()->MenuAction(id);
            ASSERT_NE(action, nullptr);
            EXPECT_EQ(action->text(), QStringLiteral("ID:%1").arg(id));
        }
    }
    QDir::setCurrent(previous);

    // A third top-level item takes text ID 0; separators, nested menus and
    // items without a command keep their texts.
    QMenuBar bar;
    QMenu* file = bar.addMenu(QStringLiteral("one"));
    bar.addMenu(QStringLiteral("two"));
    QMenu* third = bar.addMenu(QStringLiteral("three"));
    QAction* item = file->addAction(QStringLiteral("x"));
    item->setData(32775);
    QAction* separator = file->addSeparator();
    separator->setText(QStringLiteral("sep"));
    QMenu* nested = file->addMenu(QStringLiteral("nested"));
    nested->menuAction()->setData(32776);
    QAction* noCommand = third->addAction(QStringLiteral("kept"));
    RelabelMenu(bar, m_app->Texts());
    EXPECT_EQ(bar.actions()[0]->text(), QStringLiteral("&File"));
    EXPECT_EQ(bar.actions()[1]->text(), QStringLiteral("&Help"));
    EXPECT_EQ(bar.actions()[2]->text(), QStringLiteral(" "));
    EXPECT_EQ(item->text(), QStringLiteral("&Save"));
    EXPECT_EQ(separator->text(), QStringLiteral("sep"));
    EXPECT_EQ(nested->title(), QStringLiteral("nested"));
    EXPECT_EQ(noCommand->text(), QStringLiteral("kept"));
}

TEST_F(MainFrameTest, AcceleratorsRunTheFileCommandsAndPressTheFormButtons)
{
    m_frame->activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), m_frame);

    QSignalSpy memoryMap(m_frame, &CMainFrame::memoryMapRequested);
    QSignalSpy read(m_frame, &CMainFrame::readRequested);
    QSignalSpy write(m_frame, &CMainFrame::writeRequested);
    QWidget* focus = m_frame->View();

    // The form answers: the read and write confirmations are cancelled.
    for (int i = 0; i < 3; ++i)
        m_presenter.SetNextAnswer(kCancel);
    QTest::keyClick(focus, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(read.count(), 2);
    EXPECT_EQ(write.count(), 1);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Is it OK to read data?", "Is it OK to read data?",
                                                 "Is it OK to write data?"}));
    m_presenter.boxes.clear();

    m_presenter.SetNextAnswer(kCancel);
    QTest::keyClick(focus, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Texts(), std::vector<std::string>{"All data will be cleared."});

    QTest::keyClick(focus, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs.openCalls.size(), 1u);

    QTest::keyClick(focus, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(InFolder("qzm530rx.dat"))));

    // Letters without Ctrl, and Ctrl with other letters, run nothing.
    QTest::keyClick(focus, Qt::Key_M);
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(memoryMap.count(), 0);
    EXPECT_EQ(m_presenter.boxes.size(), 1u);
    EXPECT_EQ(m_dialogs.saveCalls.size(), 0u);

    // Last, as it takes the activation: the memory map opens and is closed.
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    QTest::keyClick(focus, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(memoryMap.count(), 1);
}

TEST_F(MainFrameTest, NewClearsAfterOkAndAsksNoSaveQuestion)
{
    Change();
    m_presenter.SetNextAnswer(kCancel);
    Pick(FrameCommand::kNew);
    ASSERT_EQ(m_presenter.boxes.size(), 1u);
    EXPECT_EQ(m_presenter.boxes[0].title, "Warning");
    EXPECT_EQ(m_presenter.boxes[0].style, 0x131u);
    EXPECT_EQ(m_presenter.boxes[0].owner, static_cast<QWidget*>(m_frame));
    EXPECT_EQ(m_app->Store().GetValue(SettingId::kBatterySave), 1);
    EXPECT_EQ(m_refreshes->count(), 0);

    Pick(FrameCommand::kNew);
    EXPECT_EQ(Texts(), std::vector<std::string>(2, "All data will be cleared."));
    EXPECT_FALSE(m_app->Store().IsModified());
    EXPECT_EQ(m_app->Store().WorkingImage()[2], CConfigStore::kEmptyByte);
    EXPECT_EQ(m_refreshes->count(), 1);
    EXPECT_EQ(m_app->FilePaths().currentFileName, "qzm530rx.dat");
}

TEST_F(MainFrameTest, OpenLoadsAFileAndReportsEachRefusal)
{
    // A configuration saved elsewhere; the form then shows a new one again.
    Change();
    SaveConfiguration(Elsewhere("setup.dat"));
    m_app->Store().Reset();
    const std::string folder = Folder();

    m_dialogs.answers.push_back(Elsewhere("setup.dat"));
    Pick(FrameCommand::kOpen);
    ASSERT_EQ(m_dialogs.openCalls.size(), 1u);
    EXPECT_EQ(m_dialogs.openCalls[0].folder, folder);
    EXPECT_EQ(m_dialogs.openCalls[0].filter, "DSS Data Files (*.dat)");
    EXPECT_EQ(m_dialogs.openCalls[0].owner, static_cast<QWidget*>(m_frame));
    EXPECT_TRUE(m_presenter.boxes.empty());
    EXPECT_EQ(m_app->Store().GetValue(SettingId::kBatterySave), 1);
    EXPECT_FALSE(m_app->Store().IsModified()) << "the opened file is the saved state";
    EXPECT_EQ(m_refreshes->count(), 1);
    EXPECT_EQ(Folder(), folder);
    EXPECT_EQ(m_app->FilePaths().currentFileName, "qzm530rx.dat");

    // Each refused file: its message, and the configuration kept.
    std::ofstream(Elsewhere("short.dat"), std::ios::binary) << "QZM";
    std::ofstream(Elsewhere("foreign.dat"), std::ios::binary)
        << std::string("QZM-400\0\xFF\xFF", 10) << std::string(2359, '\xFF');
    std::ofstream(Elsewhere("alien.dat"), std::ios::binary)
        << std::string("OTHER\0\xFF\xFF\xFF\xFF", 10) << std::string(2359, '\xFF');
    std::string wrongType(2369, '\xFF');
    wrongType.replace(0, 10, std::string("QZM-530RX\0", 10));
    wrongType.replace(10, 5, "V1.00");
    wrongType[32] = 'X';
    std::ofstream(Elsewhere("wrongtype.dat"), std::ios::binary) << wrongType;
    const struct
    {
        const char* name;
        const char* message;
    } refused[] = {
        {"missing.dat", "Can not be opend."},
        {"foreign.dat",
         "The foreign.dat file cannot be opened since it is configured for QZM-400."},
        {"alien.dat", "The alien.dat file cannot be opened."},
        {"wrongtype.dat", "Incorrect File Type."},
        {"short.dat", "Incorrect File Type."},
    };
    for (const auto& file : refused) {
        SCOPED_TRACE(file.name);
        m_presenter.boxes.clear();
        m_dialogs.answers.push_back(Elsewhere(file.name));
        Pick(FrameCommand::kOpen);
        ASSERT_EQ(m_presenter.boxes.size(), 1u);
        EXPECT_EQ(m_presenter.boxes[0].text, file.message);
        EXPECT_EQ(m_presenter.boxes[0].title, "Error");
        EXPECT_EQ(m_presenter.boxes[0].style, MessageStyle::kIconStop);
        EXPECT_EQ(m_app->Store().GetValue(SettingId::kBatterySave), 1);
        EXPECT_EQ(m_refreshes->count(), 1);
    }

    // A name that is not a data file's, and a cancelled dialog: nothing at all.
    m_presenter.boxes.clear();
    std::ofstream(Elsewhere("notes.txt")) << "hello";
    m_dialogs.answers.push_back(Elsewhere("notes.txt"));
    Pick(FrameCommand::kOpen);
    Pick(FrameCommand::kOpen);
    EXPECT_TRUE(m_presenter.boxes.empty());
    EXPECT_EQ(m_refreshes->count(), 1);
}

TEST_F(MainFrameTest, SaveWarnsBeforeOverwritingTheCurrentFile)
{
    const QString file = QString::fromStdString(InFolder("qzm530rx.dat"));
    Change();
    Pick(FrameCommand::kSave);
    EXPECT_TRUE(m_presenter.boxes.empty()) << "a new file is written without asking";
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(QFile(file).size(), static_cast<qint64>(DataFile::kFileSize));
    EXPECT_TRUE(m_dialogs.saveCalls.empty());

    // The second Save names the file; Cancel leaves it as it was.
    m_app->Store().SetSwitch(SettingId::kBatterySave, 0);
    m_presenter.SetNextAnswer(kCancel);
    Pick(FrameCommand::kSave);
    ASSERT_EQ(m_presenter.boxes.size(), 1u);
    EXPECT_EQ(m_presenter.boxes[0].text, "The new data will overwrite the old data.\n\n"
                                         "Save the file name as : qzm530rx.dat");
    EXPECT_EQ(m_presenter.boxes[0].title, "Warning");
    EXPECT_EQ(m_presenter.boxes[0].style, 0x131u);
    CConfigStore check;
    ForeignProductName foreign{};
    ASSERT_EQ(LoadDataFile(check, file.toStdString(), foreign), DataFile::kLoaded);
    check.TransferToImage();
    EXPECT_EQ(check.GetValue(SettingId::kBatterySave), 1);

    Pick(FrameCommand::kSave);
    ASSERT_EQ(LoadDataFile(check, file.toStdString(), foreign), DataFile::kLoaded);
    check.TransferToImage();
    EXPECT_EQ(check.GetValue(SettingId::kBatterySave), 0);
}

TEST_F(MainFrameTest, SaveAsGivesEveryNameTheDataExtension)
{
    const struct
    {
        const char* typed;
        const char* written;
    } names[] = {
        {"setup.txt", "setup.txt.dat"},
        {"SETUP.DAT", "SETUP.DAT.dat"},
        {"setup.", "setup.dat"},
        {"plain.dat", "plain.dat"},
    };
    const std::string firstFolder = Folder();
    for (const auto& name : names) {
        SCOPED_TRACE(name.typed);
        const std::string previousName = m_app->FilePaths().currentFileName;
        m_dialogs.answers.push_back(Elsewhere(name.typed));
        Pick(FrameCommand::kSaveAs);
        EXPECT_EQ(m_dialogs.saveCalls.back().fileName, previousName);
        EXPECT_TRUE(QFile::exists(m_documents.filePath(QString::fromLatin1(name.written))));
        EXPECT_EQ(m_app->FilePaths().currentFileName, name.written);
        EXPECT_EQ(Folder(), ElsewhereFolder());
    }
    EXPECT_EQ(m_dialogs.saveCalls.front().folder, firstFolder);
    EXPECT_EQ(m_dialogs.saveCalls.back().folder, ElsewhereFolder());
    EXPECT_FALSE(QFile::exists(m_documents.filePath(QStringLiteral("setup.txt"))));
    EXPECT_TRUE(m_presenter.boxes.empty());

    // Save now writes the name that Save As chose.
    Pick(FrameCommand::kSave);
    ASSERT_EQ(m_presenter.boxes.size(), 1u);
    EXPECT_EQ(m_presenter.boxes[0].text, "The new data will overwrite the old data.\n\n"
                                         "Save the file name as : plain.dat");

    // Cancelled: nothing written, nothing changed.
    Pick(FrameCommand::kSaveAs);
    EXPECT_EQ(m_app->FilePaths().currentFileName, "plain.dat");
}

TEST_F(MainFrameTest, SaveQuestionComesBeforeOpenOnlyAfterAChange)
{
    Pick(FrameCommand::kOpen); // unchanged: straight to the dialog
    EXPECT_TRUE(m_presenter.boxes.empty());
    EXPECT_EQ(m_dialogs.openCalls.size(), 1u);

    Change();
    m_presenter.SetNextAnswer(kCancel);
    Pick(FrameCommand::kOpen);
    EXPECT_EQ(Texts(), std::vector<std::string>{kAskSave});
    EXPECT_EQ(m_presenter.boxes[0].title, "QZM-530RX");
    EXPECT_EQ(m_presenter.boxes[0].style, 0x33u);
    EXPECT_EQ(m_dialogs.openCalls.size(), 1u) << "Cancel stops Open";

    m_presenter.SetNextAnswer(kNo);
    Pick(FrameCommand::kOpen);
    EXPECT_EQ(m_dialogs.openCalls.size(), 2u);
    EXPECT_TRUE(m_dialogs.saveCalls.empty());

    // Yes saves through Save As first; a cancelled Save As stops Open.
    m_presenter.SetNextAnswer(kYes);
    Pick(FrameCommand::kOpen);
    EXPECT_EQ(m_dialogs.saveCalls.size(), 1u);
    EXPECT_EQ(m_dialogs.openCalls.size(), 2u);

    m_presenter.SetNextAnswer(kYes);
    m_dialogs.answers.push_back(Elsewhere("keep.dat"));
    Pick(FrameCommand::kOpen);
    EXPECT_TRUE(QFile::exists(m_documents.filePath(QStringLiteral("keep.dat"))));
    EXPECT_EQ(m_dialogs.openCalls.size(), 3u);
}

TEST_F(MainFrameTest, ClosingAsksThenStoresThePlacementAndCloses)
{
    // The exit question, refused from the menu, the close box and the form.
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        m_presenter.boxes.clear();
        m_presenter.SetNextAnswer(kCancel);
        if (way == 0)
            Pick(FrameCommand::kExit);
        else if (way == 1)
            m_frame->close();
        else
            m_frame->RequestClose();
        DeliverPosted();
        EXPECT_EQ(Texts(), std::vector<std::string>{kAskExit});
        EXPECT_EQ(m_presenter.boxes[0].title, "Confirmation");
        EXPECT_EQ(m_presenter.boxes[0].style, 0x21u);
        EXPECT_TRUE(m_frame->isVisible());
        EXPECT_FALSE(StoredPlacement().isValid());
    }

    // Changed: the save question follows; its Cancel, and Yes with a
    // cancelled Save As, keep the program open.
    Change();
    for (const int answer : {kCancel, kYes}) {
        m_presenter.boxes.clear();
        m_presenter.SetNextAnswer(kOk);
        m_presenter.SetNextAnswer(answer);
        Pick(FrameCommand::kExit);
        DeliverPosted();
        EXPECT_EQ(Texts(), (std::vector<std::string>{kAskExit, kAskSave}));
        EXPECT_TRUE(m_frame->isVisible());
        EXPECT_FALSE(StoredPlacement().isValid());
    }
    EXPECT_EQ(m_dialogs.saveCalls.size(), 1u);

    // Yes with a saved file, then OK: closed, the placement stored.
    m_presenter.SetNextAnswer(kOk);
    m_presenter.SetNextAnswer(kYes);
    m_dialogs.answers.push_back(InFolder("last.dat"));
    m_frame->RequestClose();
    EXPECT_TRUE(m_frame->isVisible()) << "the request is posted";
    DeliverPosted();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(InFolder("last.dat"))));
    EXPECT_FALSE(m_frame->isVisible());
    EXPECT_TRUE(StoredPlacement().isValid());
}

TEST_F(MainFrameTest, ClosingWhileMinimisedAsksAndStoresAShownState)
{
    m_frame->move(30, 40);
    m_frame->showMinimized();
    Change();

    m_presenter.SetNextAnswer(kOk);
    m_presenter.SetNextAnswer(kCancel);
    m_frame->close();
    EXPECT_EQ(Texts(), (std::vector<std::string>{kAskExit, kAskSave}));
    EXPECT_TRUE(m_frame->isMinimized());
    EXPECT_FALSE(StoredPlacement().isValid());

    m_presenter.SetNextAnswer(kOk);
    m_presenter.SetNextAnswer(kNo);
    m_frame->close();
    EXPECT_FALSE(m_frame->isVisible());
    const auto stored = ParsePlacement(StoredPlacement().toString().toStdString());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->showState, CWindowPlacement::kShowNormal);
    EXPECT_EQ(stored->left, 30);
    EXPECT_EQ(stored->top, 40);
}

TEST_F(MainFrameTest, HelpOpensTheGuideBesideTheProgram)
{
    std::vector<QString> opened;
    HelpDocument::SetOpener([&opened](const QString& path) { opened.push_back(path); });
    Pick(FrameCommand::kHelp);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QDir(QCoreApplication::applicationDirPath())
                             .filePath(QStringLiteral("QZM-530RX_Help_Eng.pdf")));
    EXPECT_TRUE(m_presenter.boxes.empty());
}

TEST_F(MainFrameTest, AboutOpensModallyOverTheFrameAndOkClosesIt)
{
    QString caption;
    QWidget* owner = nullptr;
    bool modal = false;
    // Runs once the box's own event loop is up.
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        if (!about)
            return;
        caption = about->windowTitle();
        owner = about->parentWidget();
        modal = about->isModal();
        about->OkButton()->click();
    });
    Pick(FrameCommand::kAbout);
    EXPECT_EQ(caption, QStringLiteral("About QZM-530RX"));
    EXPECT_EQ(owner, m_frame);
    EXPECT_TRUE(modal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

namespace {

// Answers OK; while the first box is open, the user asks to close again
// (the close box, or a request posted before the box opened).
class CCloseAgainPresenter : public IMessagePresenter
{
public:
    int Present(MessageOwner, const std::string& text, const std::string&, unsigned) override
    {
        texts.push_back(text);
        if (frame && texts.size() == 1)
            frame->close();
        return MessageAnswer::kOk;
    }

    CMainFrame* frame = nullptr;
    std::vector<std::string> texts;
};

} // namespace

TEST_F(MainFrameTest, ASecondCloseWhileTheQuestionIsOpenAsksNothingMore)
{
    CCloseAgainPresenter presenter;
    CAppOptions options;
    options.presenter = &presenter;
    options.fileDialogs = &m_dialogs;
    const std::string documents = m_documents.path().toStdString();
    options.folderSources = [documents](const std::string& stored) {
        return CFolderSources{stored, documents, "/nonexistent/bin"};
    };
    m_app.reset();
    CQZM530RXApp app(1, m_argv, options);
    ASSERT_TRUE(app.InitInstance());
    presenter.frame = app.MainFrame();
    app.MainFrame()->close();
    EXPECT_EQ(presenter.texts, std::vector<std::string>{kAskExit});
    EXPECT_FALSE(app.MainFrame()->isVisible());
}
