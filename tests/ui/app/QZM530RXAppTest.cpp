#include "ui/app/QZM530RXApp.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "support/QtTestEnvironment.h"
#include "support/RecordingPresenter.h"
#include "text/BuiltinTexts.h"
#include "ui/app/FilePaths.h"
#include "ui/form/QZM530RXView.h"
#include "ui/frame/MainFrame.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <system_error>
#include <vector>

namespace {

class AppTest : public ::testing::Test
{
protected:
    void SetUp() override { QtTestEnvironment::ClearProgramSettings(); }

    // The store as another program would see it.
    static void Store(const char* name, const QVariant& value)
    {
        QtTestEnvironment::StoreBackupValue(name, value);
    }
    static QVariant Stored(const char* name) { return QtTestEnvironment::StoredBackupValue(name); }

    // The program with a recording presenter and a documents folder of its own.
    CAppOptions Options()
    {
        CAppOptions options;
        options.presenter = &m_presenter;
        const std::string documents = m_documents.path().toStdString();
        options.folderSources = [documents](const std::string& stored) {
            return CFolderSources{stored, documents, "/nonexistent/bin"};
        };
        return options;
    }

    std::string DataFolder() const
    {
        return QDir::toNativeSeparators(m_documents.filePath("Zephran/QZM-530RX/")).toStdString();
    }

    CRecordingPresenter m_presenter;
    QTemporaryDir m_documents;
    const char* m_argv[1] = {"qzm530rx"};
};

} // namespace

TEST_F(AppTest, StartUpOpensTheWindowAndExitStoresPortAndFolder)
{
    CQZM530RXApp app(1, m_argv, Options());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = app.MainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(app.HasDocument());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("QZM-530RX"));
    EXPECT_NE(qobject_cast<CQZM530RXView*>(frame->View()), nullptr);
    EXPECT_EQ(app.Link().GetPortNumber(), 1);
    EXPECT_EQ(app.FilePaths().currentFileName, "qzm530rx.dat");
    EXPECT_EQ(app.FilePaths().currentFolder, DataFolder());
    EXPECT_TRUE(QFileInfo(QString::fromStdString(DataFolder())).isDir());
    // The form's first display starts from a new configuration.
    EXPECT_FALSE(app.Store().IsModified());
    EXPECT_EQ(app.Store().WorkingImage()[0], CConfigStore::kMarkerByte);
    EXPECT_EQ(app.Store().WorkingImage()[2], CConfigStore::kEmptyByte);
    EXPECT_TRUE(m_presenter.boxes.empty());

    // Nothing is stored while the program runs.
    EXPECT_FALSE(Stored("ComPort").isValid());
    EXPECT_FALSE(Stored("LastFilePath").isValid());
    frame->close();
    EXPECT_TRUE(Stored("LastWinPos").isValid());
    app.ExitInstance();
    EXPECT_EQ(Stored("ComPort").toInt(), 1);
    EXPECT_EQ(Stored("LastFilePath").toString().toStdString(), DataFolder());
}

TEST_F(AppTest, StartUpSetsThePortBeforeTheFrameAndTheFrameAfterTheDocument)
{
    Store("ComPort", 9);
    struct CSeen
    {
        bool called = false;
        int port = 0;
        bool document = false;
        bool frame = true;
    } seen;
    CAppOptions options = Options();
    const auto sources = options.folderSources;
    options.folderSources = [&seen, sources](const std::string& stored) {
        // Asked once the document exists, before the main frame does.
        CQZM530RXApp* app = CQZM530RXApp::Instance();
        seen = {true, app->Link().GetPortNumber(), app->HasDocument(), app->MainFrame() != nullptr};
        return sources(stored);
    };
    CQZM530RXApp app(1, m_argv, options);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(seen.called);
    EXPECT_EQ(seen.port, 9);
    EXPECT_TRUE(seen.document);
    EXPECT_FALSE(seen.frame);
}

TEST_F(AppTest, ComPortOutOfRangeStartsOnComOneAndIsOverwrittenAtExit)
{
    for (const int stored : {25, 0, -3}) {
        Store("ComPort", stored);
        CQZM530RXApp app(1, m_argv, Options());
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Link().GetPortNumber(), 1) << stored;
        auto* view = qobject_cast<CQZM530RXView*>(app.MainFrame()->View());
        EXPECT_EQ(view->PortLabel()->text(), QStringLiteral(" COM1"));
        EXPECT_EQ(Stored("ComPort").toInt(), stored);
        app.MainFrame()->close();
        app.ExitInstance();
        EXPECT_EQ(Stored("ComPort").toInt(), 1);
    }
    Store("ComPort", 20);
    CQZM530RXApp app(1, m_argv, Options());
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.Link().GetPortNumber(), 20);
}

TEST_F(AppTest, LanguageFailureEndsWithoutWindowAndStoresNothing)
{
    Store("ComPort", 7);
    Store("LastFilePath", QStringLiteral("/kept/"));
    Store("LastWinPos", QStringLiteral("0:1:-1:-1:-1:-1:10:10:650:490"));

    // A table that lacks one of its required texts.
    const CTextRow rows[] = {{11000000, "QZM-530RX"}};
    const int32_t required[] = {11000000, 10025001};
    const CTextTable broken{rows, 1, required, 2};
    CAppOptions options = Options();
    options.textTable = &broken;

    CQZM530RXApp app(1, m_argv, options);
    EXPECT_EQ(app.Run(), CQZM530RXApp::kStartupFailed);
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_FALSE(app.HasDocument());
    ASSERT_EQ(m_presenter.boxes.size(), 1u);
    EXPECT_EQ(m_presenter.boxes[0].title, "QZM-530RX");
    EXPECT_EQ(m_presenter.boxes[0].style, MessageStyle::kIconStop);

    app.ExitInstance();
    EXPECT_EQ(Stored("ComPort").toInt(), 7);
    EXPECT_EQ(Stored("LastFilePath").toString(), QStringLiteral("/kept/"));
    EXPECT_EQ(Stored("LastWinPos").toString(), QStringLiteral("0:1:-1:-1:-1:-1:10:10:650:490"));
}

TEST_F(AppTest, ClosingTheWindowEndsTheEventLoopThroughProgramExit)
{
    Store("ComPort", 4);
    CQZM530RXApp app(1, m_argv, Options());
    QTimer::singleShot(0, [&app] {
        app.Link().SetPortNumber(11); // as the COM port dialog would
        app.MainFrame()->close();
    });
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(Stored("ComPort").toInt(), 11);
    EXPECT_EQ(Stored("LastFilePath").toString().toStdString(), DataFolder());
    EXPECT_TRUE(Stored("LastWinPos").isValid());
}

TEST_F(AppTest, CommandLineOpensNoFileAndUnderscoreQvShowsIds)
{
    // A real data file named on the command line is not loaded.
    CConfigStore other;
    other.Reset();
    other.WorkingImage()[40] = 0x12;
    const std::string file = m_documents.filePath("setup.dat").toStdString();
    std::error_code error;
    ASSERT_EQ(SaveDataFile(other, file, CFixedClock(1, 2, 3), error), 0);

    const QString previous = QDir::currentPath();
    QTemporaryDir dumpFolder; // the ID mode writes its dump file here
    QDir::setCurrent(dumpFolder.path());
    {
        const char* argv[] = {"qzm530rx", file.c_str(), "_Qv"};
        CQZM530RXApp app(3, argv, Options());
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Store().WorkingImage()[40], CConfigStore::kEmptyByte);
        EXPECT_EQ(app.MainFrame()->windowTitle(), QStringLiteral("ID:11000000"));
    }
    QDir::setCurrent(previous);
}

namespace {

struct CRestoreCase
{
    const char* stored;
    bool applied;
    QPoint position;
    bool maximised;
};

} // namespace

TEST_F(AppTest, StoredPlacementMovesTheWindowAndKeepsItsSize)
{
    // Where the window opens without a stored placement.
    QPoint systemPosition;
    QSize createdSize; // with the frame
    QSize fittedSize;  // without, as the form's first display left it
    {
        CQZM530RXApp app(1, m_argv, Options());
        ASSERT_TRUE(app.InitInstance());
        systemPosition = app.MainFrame()->pos();
        createdSize = app.MainFrame()->frameGeometry().size();
        fittedSize = app.MainFrame()->normalGeometry().size();
    }

    // The offscreen screen is 800 by 600 at the origin.
    const CRestoreCase cases[] = {
        {"0:1:-1:-1:-1:-1:100:50:900:650", true, {100, 50}, false},
        {"0:2:-1:-1:-1:-1:100:50:900:650", true, {100, 50}, false},
        {"2:3:-1:-1:-1:-1:120:60:920:660", true, {120, 60}, true},
        {"0:1:-1:-1:-1:-1:-600:-400:40:80", true, {-600, -400}, false},
        {"0:1:-1:-1:-1:-1:100:50:900", false, {}, false},
        {"0:1:-1:-1:-1:-1:5000:4000:5640:4480", false, {}, false},
    };
    for (const CRestoreCase& c : cases) {
        SCOPED_TRACE(c.stored);
        Store("LastWinPos", QString::fromLatin1(c.stored));
        CQZM530RXApp app(1, m_argv, Options());
        ASSERT_TRUE(app.InitInstance());
        CMainFrame* frame = app.MainFrame();
        const CWindowPlacement placement = frame->CurrentPlacement();
        EXPECT_EQ(QPoint(placement.left, placement.top), c.applied ? c.position : systemPosition);
        EXPECT_EQ(placement.right - placement.left, createdSize.width());
        EXPECT_EQ(placement.bottom - placement.top, createdSize.height());
        EXPECT_EQ(frame->normalGeometry().size(), fittedSize);
        EXPECT_EQ(frame->isMaximized(), c.maximised);
        EXPECT_FALSE(frame->isMinimized());
    }
}

TEST_F(AppTest, ClosingMinimisedStoresTheStateToComeBackTo)
{
    struct CCase
    {
        bool maximisedFirst;
        int storedShow;
    };
    for (const CCase c : {CCase{true, CWindowPlacement::kShowMaximized},
                          CCase{false, CWindowPlacement::kShowNormal}}) {
        QtTestEnvironment::ClearProgramSettings();
        {
            CQZM530RXApp app(1, m_argv, Options());
            ASSERT_TRUE(app.InitInstance());
            CMainFrame* frame = app.MainFrame();
            frame->move(30, 40);
            if (c.maximisedFirst)
                frame->showMaximized();
            frame->showMinimized();
            frame->close();
            app.ExitInstance();
        }
        const auto stored = ParsePlacement(Stored("LastWinPos").toString().toStdString());
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->showState, c.storedShow);
        EXPECT_EQ(stored->left, 30);
        EXPECT_EQ(stored->top, 40);

        CQZM530RXApp next(1, m_argv, Options());
        ASSERT_TRUE(next.InitInstance());
        EXPECT_EQ(next.MainFrame()->isMaximized(), c.maximisedFirst);
        EXPECT_FALSE(next.MainFrame()->isMinimized());
    }
}
