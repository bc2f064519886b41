// The production-line window on simulated microphones: a run started,
// microphones written and verified one after another, a failing port
// beside a good one, Stop in the middle of a transfer, skip-same, closing
// during a run, and what the tiles say to the eye and to a screen reader.
#include "ProductionRig.h"

#include "job/LogLayout.h"
#include "job/TransferLog.h"
#include "link/LinkRig.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>

namespace {

// Holds a port's thread in the middle of a session, the first time `when`
// holds as bytes arrive at its microphone, until the test lets go.
class CSessionHold
{
public:
    CSessionHold(CFleetRigPort& port, std::function<bool()> when)
    {
        port.mic.SetReceiveHook([this, when](const uint8_t*, std::size_t, uint32_t) {
            if (!when())
                return;
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_held)
                return;
            m_held = true;
            m_changed.notify_all();
            m_changed.wait(
                lock, [this] { return m_released; });
        });
    }
    ~CSessionHold() { Release(); }
    bool Held()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_held;
    }
    void Release()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

// A microphone's record as a port gives it.
CMicRecord Record(int number, JobResult result)
{
    CMicRecord record;
    record.port = "COM4";
    record.microphone = number;
    record.result = result;
    return record;
}

bool MicHolds(const CVirtualMic& mic, const CConfigStore::Image& image)
{
    return std::equal(image.begin(), image.end(), mic.GetImage().begin());
}

} // namespace

TEST_F(ProductionWindowTest, MicrophonesWrittenAndVerifiedOneAfterAnotherUntilStop)
{
    CFleetRigPort& line = Port("/dev/vmic-a");
    line.PlayBatch(2000, 2);
    const std::string log = Path("run.csv");
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    args.logPath = log;
    Open(args);
    EXPECT_TRUE(m_window->VerifyBox()->isChecked()) << "read back by default";
    ASSERT_TRUE(m_window->StartButton()->isEnabled());
    m_window->StartButton()->click();
    ASSERT_EQ(m_window->Tiles().size(), 1u);
    EXPECT_EQ(m_window->StatusText(), "Running on 1 port.");
    EXPECT_FALSE(m_window->StartButton()->isEnabled());
    EXPECT_TRUE(m_window->StopButton()->isEnabled());

    ASSERT_TRUE(WaitFor([&] { return Tile(0).Done() == 2; })) << Tile(0).ResultText().toStdString();
    StopAndWait();

    EXPECT_EQ(line.writes, (std::vector<int>{1, 1})) << "each microphone written once";
    EXPECT_TRUE(MicHolds(line.mic, m_written));
    CProductionTile& tile = Tile(0);
    EXPECT_EQ(tile.ResultText(), "Microphone 2: verified");
    EXPECT_EQ(tile.CountsText(), "2 verified, 0 failed, 0 unchanged");
    EXPECT_EQ(tile.Look(), TileLook::kFinished);
    EXPECT_EQ(tile.accessibleName(), "Port /dev/vmic-a: ENDED. Microphone 2: verified");
    EXPECT_EQ(tile.accessibleDescription(), tile.CountsText());
    EXPECT_EQ(m_window->SummaryText(), "In all: 2 of 2 microphones written and verified.");
    // The last lines of the log as a table: a row for each verified write,
    // by the time of day, the port and the result.
    const QStringList rows = m_window->LogText().split(QLatin1Char('\n'));
    ASSERT_EQ(rows.size(), 2) << m_window->LogText().toStdString();
    for (const QString& row : rows)
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  /dev/vmic-a    verified$"))
                .match(row)
                .hasMatch())
            << row.toStdString();
    // And what the log adds up to.
    EXPECT_TRUE(m_window->ReportText().startsWith("The log holds 2 microphones (2 verified)."))
        << m_window->ReportText().toStdString();
    // Which can be selected and copied.
    for (const QLabel* label : m_window->findChildren<QLabel*>())
        EXPECT_TRUE(label->text() != m_window->ReportText() ||
                    (label->textInteractionFlags() & Qt::TextSelectableByKeyboard));
    EXPECT_TRUE(m_window->StartButton()->isEnabled()) << "ready for the next run";
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(ProductionWindowTest, AFailingPortBesideAGoodOneIsShownInWordsAndColour)
{
    Port("/dev/vmic-a").PlayBatch(2000, 1);
    CFleetRigPort& bad = Port("/dev/vmic-b");
    bad.PlayBatch(2000, 1);
    // Its microphone falls silent in the middle of the write.
    bad.mic.SetReceiveHook([&bad](const uint8_t*, std::size_t, uint32_t) {
        if (bad.mic.BlocksStored() == 4) {
            CMicFaults silent;
            silent.silent = true;
            bad.mic.SetFaults(silent);
        }
    });
    // A port whose device is not there.
    Port("/dev/vmic-c").line.SetDeviceName("/dev/elsewhere");
    CProductionArgs args;
    args.ports = {"/dev/vmic-a", "/dev/vmic-b", "/dev/vmic-c"};
    Open(args);
    ASSERT_TRUE(m_window->Start());
    EXPECT_EQ(m_window->StatusText(), "Running on 3 ports.");
    ASSERT_TRUE(WaitFor([&] {
        return Tile(0).Done() == 1 && Tile(1).Failed() == 1 && Tile(2).Look() == TileLook::kNoPort;
    })) << Tile(0).accessibleName().toStdString()
        << " | " << Tile(1).accessibleName().toStdString() << " | "
        << Tile(2).accessibleName().toStdString();
    EXPECT_EQ(Tile(2).accessibleName(), "Port /dev/vmic-c: PORT DOES NOT OPEN. No microphone yet");
    StopAndWait();

    EXPECT_EQ(Tile(0).ResultText(), "Microphone 1: verified");
    EXPECT_EQ(Tile(1).ResultText(), "Microphone 1: failed");
    EXPECT_EQ(Tile(1).CountsText(), "0 verified, 1 failed, 0 unchanged");
    EXPECT_NE(Tile(0).ResultColour(), Tile(1).ResultColour()) << "a failure looks different";
    EXPECT_NE(Tile(1).ResultColour(), Tile(2).ResultColour()) << "and unlike no result at all";
    EXPECT_EQ(m_window->SummaryText(), "In all: 1 of 2 microphones written and verified. Failed: "
                                       "/dev/vmic-b microphone 1. Did not open: /dev/vmic-c.");
    EXPECT_TRUE(m_window->LogText().contains("/dev/vmic-b    failed: "))
        << "without a log file, the results stand in for it: " << m_window->LogText().toStdString();
    EXPECT_TRUE(m_window->ReportText().isEmpty()) << "no log, no report";
}

TEST_F(ProductionWindowTest, StopDuringATransferLetsItFinishAndAHeldPortHoldsUpNoOther)
{
    CFleetRigPort& line = Port("/dev/vmic-a");
    line.PlayBatch(2000, 3);
    CSessionHold hold(line, [&line] { return line.mic.BlocksStored() == 5; });
    CFleetRigPort& other = Port("/dev/vmic-b");
    other.PlayBatch(2000, 1);
    CProductionArgs args;
    args.ports = {"/dev/vmic-a", "/dev/vmic-b"};
    Open(args);
    ASSERT_TRUE(m_window->Start());
    // The port holds in the middle of its write; the other port and the
    // window go on.
    ASSERT_TRUE(WaitFor([&] { return hold.Held(); }));
    ASSERT_TRUE(WaitFor([&] { return Tile(1).Done() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return Tile(0).BarText().startsWith("Block "); }));
    EXPECT_EQ(Tile(0).Look(), TileLook::kWriting);
    EXPECT_TRUE(Tile(0).BarText().endsWith(" / 9")) << Tile(0).BarText().toStdString();
    m_window->StopButton()->click();
    EXPECT_FALSE(m_window->StopButton()->isEnabled());
    EXPECT_EQ(m_window->StatusText(), "Stopping once the transfers in progress have ended.");
    hold.Release();
    ASSERT_TRUE(WaitFor([this] { return !m_window->Running(); }));
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(line.mic.BlocksStored(), 9) << "the transfer was not cut short";
    EXPECT_TRUE(MicHolds(line.mic, m_written));
    EXPECT_EQ(line.writes, (std::vector<int>{1, 0, 0})) << "no new transfer began";
    EXPECT_EQ(Tile(0).ResultText(), "Microphone 1: verified");
    EXPECT_EQ(m_window->SummaryText(), "In all: 2 of 2 microphones written and verified.");
}

TEST_F(ProductionWindowTest, SkipSameLeavesAProgrammedMicrophoneAlone)
{
    CFleetRigPort& line = Port("/dev/vmic-line");
    // The second microphone comes holding what the first is written with.
    line.PlayBatch(2000, 3, 2);
    m_paused = [](CFleetRigPort& port) {
        // The operator takes the unit judged unchanged away as if written.
        if (port.swap->Current() == 2)
            port.swap->NoteWritten();
    };
    CProductionArgs args;
    args.ports = {"/dev/vmic-line"};
    args.skipSame = true;
    Open(args);
    EXPECT_TRUE(m_window->SkipSameBox()->isChecked());
    ASSERT_TRUE(m_window->Start());
    ASSERT_TRUE(WaitFor([&] { return Tile(0).Done() + Tile(0).Unchanged() == 3; }))
        << Tile(0).ResultText().toStdString();
    StopAndWait();

    EXPECT_EQ(line.writes, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(Tile(0).CountsText(), "2 verified, 0 failed, 1 unchanged");
    EXPECT_TRUE(m_window->LogText().contains("/dev/vmic-line    unchanged"))
        << m_window->LogText().toStdString();
    EXPECT_EQ(m_window->SummaryText(), "In all: 2 of 3 microphones written and verified. "
                                       "Unchanged (they held the configuration already): 1.");
}

TEST_F(ProductionWindowTest, ClosingDuringARunAsksOnceThenStopsAndClosesWhenItHasEnded)
{
    StartShownOnOnePort();
    ASSERT_TRUE(WaitFor([&] { return Tile(0).Done() >= 1; }));

    m_boxes.SetNextAnswer(MessageAnswer::kCancel);
    m_window->close();
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_TRUE(m_window->isVisible()) << "Cancel keeps the run going";
    EXPECT_TRUE(m_window->StopButton()->isEnabled());

    m_window->close(); // answered OK
    ASSERT_EQ(m_boxes.boxes.size(), 2u);
    EXPECT_NE(m_boxes.boxes[1].text.find("A run is in progress."), std::string::npos);
    m_window->close();
    EXPECT_EQ(m_boxes.boxes.size(), 2u) << "asked once";
    EXPECT_TRUE(m_window->isVisible()) << "open until the transfers in progress have ended";
    ASSERT_TRUE(WaitFor([this] { return !m_window->isVisible(); }));
    EXPECT_FALSE(m_window->Running());
    EXPECT_TRUE(m_window->SummaryText().startsWith("In all: "));
}

TEST_F(ProductionWindowTest, ARunThatEndsWhileTheQuestionIsOpenClosesOnTheAnswer)
{
    StartShownOnOnePort();
    m_boxes.meanwhile = [this] {
        m_window->Stop();
        WaitFor([this] { return !m_window->Running(); });
    };
    m_window->close();
    EXPECT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_FALSE(m_window->isVisible()) << "the close was not lost";
}

// The window destroyed in the middle of a run (the program ends) stops its
// ports once the transfers in progress are whole.
TEST_F(ProductionWindowTest, AWindowDestroyedDuringARunStopsItsPorts)
{
    CFleetRigPort& line = Port("/dev/vmic-a");
    line.PlayBatch(2000, 50);
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    Open(args);
    ASSERT_TRUE(m_window->Start());
    ASSERT_TRUE(WaitFor([&] { return Tile(0).Done() >= 1; }));
    m_window.reset();
    EXPECT_EQ(line.mic.BlocksStored() % 9, 0) << "no transfer was cut short";
}

// The data file, the backup folder and the log chosen by their buttons are
// those the run takes.
TEST_F(ProductionWindowTest, TheFileFolderAndLogChosenByTheirButtonsAreTheRunsOwn)
{
    const auto named = [this](const char* name) {
        for (QWidget* control : m_window->Controls())
            if (control->accessibleName() == QString::fromUtf8(name))
                return qobject_cast<QPushButton*>(control);
        return static_cast<QPushButton*>(nullptr);
    };
    Port("/dev/vmic-a").PlayBatch(2000, 1);
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    args.dataFile = Path("missing.dat");
    Open(args);
    m_dialogs.dataFile = m_dataFile;
    m_dialogs.backupFolder = Path("chosen-backups");
    m_dialogs.logFile = Path("chosen.csv");
    for (const char* button :
         {"Open a data file", "Choose the backup folder", "Choose the log file"}) {
        ASSERT_NE(named(button), nullptr) << button;
        named(button)->click();
    }
    ASSERT_TRUE(m_window->Start()) << m_window->StatusText().toStdString();
    ASSERT_TRUE(WaitFor([&] { return Tile(0).Done() == 1; }));
    StopAndWait();
    EXPECT_TRUE(std::filesystem::is_regular_file(Path("chosen.csv")));
    EXPECT_FALSE(std::filesystem::is_empty(Path("chosen-backups")));
}

// Started at once (--start) with a data file that does not load, the
// window keeps saying why instead of asking for a file.
TEST_F(ProductionWindowTest, AStartWithAFileThatDoesNotLoadSaysWhy)
{
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    args.dataFile = Path("missing.dat");
    Open(args);
    const QString why = m_window->StatusText();
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(m_window->Start());
    EXPECT_EQ(m_window->StatusText(), why);
}

TEST_F(ProductionWindowTest, TheDataFileSettingsListedAndEveryControlNamedAndReachable)
{
    m_dialogs.dataFile = Path("missing.dat");
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    args.dataFile = m_dataFile;
    Open(args);
    const int settings = m_window->SettingsList()->topLevelItemCount();
    EXPECT_GT(settings, 10);
    QTreeWidgetItem* first = m_window->SettingsList()->topLevelItem(0);
    EXPECT_FALSE(first->text(0).isEmpty());
    EXPECT_FALSE(first->text(1).isEmpty());
    EXPECT_FALSE(first->flags() & Qt::ItemIsEditable);

    // A file that cannot be loaded leaves the one before in place.
    EXPECT_FALSE(m_window->LoadDataFile(m_dialogs.dataFile));
    EXPECT_FALSE(m_window->StatusText().isEmpty());
    EXPECT_EQ(m_window->SettingsList()->topLevelItemCount(), settings);

    // The ports of --port are ticked; unticked, nothing can start.
    QListWidget* ports = m_window->PortList();
    const QList<QListWidgetItem*> given =
        ports->findItems(QStringLiteral("/dev/vmic-a"), Qt::MatchExactly);
    ASSERT_EQ(given.size(), 1);
    EXPECT_EQ(given[0]->checkState(), Qt::Checked);
    EXPECT_TRUE(m_window->StartButton()->isEnabled());
    given[0]->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(m_window->StartButton()->isEnabled());
    EXPECT_FALSE(m_window->Start());
    given[0]->setCheckState(Qt::Checked);

    Port("/dev/vmic-a").PlayBatch(2000, 1);
    ASSERT_TRUE(m_window->Start());
    for (QWidget* control : m_window->Controls()) {
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
        EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus)
            << control->accessibleName().toStdString();
    }
    EXPECT_TRUE(Tile(0).accessibleName().startsWith("Port /dev/vmic-a: "));
}

// What a tile and the window say while the run goes on: the read-back as
// such, each kind of trouble in a colour of its own, each count in its
// place in the line "So far".
TEST_F(ProductionWindowTest, TheRunSoFarIsShownCountByCountAndTroubleByKind)
{
    Port("/dev/vmic-a").PlayBatch(2000, 3);
    CFleetRigPort& failing = Port("/dev/vmic-b");
    failing.mic.SetReceiveHook([&failing](const uint8_t*, std::size_t, uint32_t) {
        if (failing.mic.BlocksStored() == 4)
            failing.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
    });
    CFleetRigPort& unread = Port("/dev/vmic-c");
    unread.mic.SetStoredHandler(
        [&unread] { unread.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; })); });
    CProductionArgs args;
    args.ports = {"/dev/vmic-a", "/dev/vmic-b", "/dev/vmic-c"};
    Open(args);
    ASSERT_TRUE(m_window->Start());
    ASSERT_TRUE(WaitFor(
        [&] { return Tile(0).Done() == 3 && Tile(1).Failed() == 1 && Tile(2).Failed() == 1; }));
    EXPECT_EQ(m_window->SummaryText(), "So far: 3 verified, 2 failed, 0 unchanged.");
    EXPECT_TRUE(Tile(2).ResultText().startsWith("Microphone 1: written-not-verified"))
        << Tile(2).ResultText().toStdString();
    EXPECT_NE(Tile(1).ResultColour(), Tile(2).ResultColour()) << "failed, or not read back";
    EXPECT_NE(Tile(2).ResultColour(), Tile(0).ResultColour()) << "not read back, or verified";
    StopAndWait();
}

TEST_F(ProductionWindowTest, TheReadBackIsShownAsSuch)
{
    CFleetRigPort& line = Port("/dev/vmic-a");
    // The microphone holds in the middle of the read-back.
    CSessionHold hold(
        line, [&line] { return line.mic.BlocksStored() == 9 && line.mic.BlocksServed() == 3; });
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    Open(args);
    ASSERT_TRUE(m_window->Start());
    ASSERT_TRUE(WaitFor([&] { return hold.Held(); }));
    // The port told its state before the read-back began.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Tile(0).Look(), TileLook::kReadingBack);
    hold.Release();
    ASSERT_TRUE(WaitFor([&] { return Tile(0).Done() == 1; }));
    StopAndWait();
}

TEST_F(ProductionWindowTest, UntickedReadBackIsLeftOut)
{
    CFleetRigPort& line = Port("/dev/vmic-a");
    line.PlayBatch(2000, 1);
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    Open(args);
    m_window->VerifyBox()->setChecked(false);
    ASSERT_TRUE(m_window->Start());
    ASSERT_TRUE(WaitFor([&] { return Tile(0).Done() == 1; })) << Tile(0).ResultText().toStdString();
    StopAndWait();
    EXPECT_EQ(Tile(0).ResultText(), "Microphone 1: written");
    EXPECT_EQ(Tile(0).CountsText(), "1 written, 0 failed, 0 unchanged");
    EXPECT_EQ(line.mic.BlocksServed(), 0) << "nothing was read back";
    EXPECT_EQ(m_window->SummaryText(), "In all: 1 of 1 microphones written.");
}

// A port that does not open says why, in what the survey of the machine
// finds on it.
TEST_F(ProductionWindowTest, APortThatDoesNotOpenSaysWhy)
{
    Port("/dev/vmic-held").line.SetDeviceName("/dev/elsewhere");
    m_trouble["/dev/vmic-held"] = "held by process 1234 (minicom)";
    CProductionArgs args;
    args.ports = {"/dev/vmic-held"};
    Open(args);
    ASSERT_TRUE(m_window->Start());
    ASSERT_TRUE(WaitFor([&] { return Tile(0).Look() == TileLook::kNoPort; }));
    EXPECT_EQ(Tile(0).DetailText(), "held by process 1234 (minicom)");
    EXPECT_TRUE(Tile(0).accessibleName().contains("held by process 1234 (minicom)"));
    StopAndWait();
}

// A quantity ends the run by itself once that many went well; the one that
// failed on the way does not count.
TEST_F(ProductionWindowTest, AQuantityEndsTheRunByItself)
{
    Port("/dev/vmic-a").PlayBatch(2000, 10);
    CFleetRigPort& bad = Port("/dev/vmic-b");
    bad.PlayBatch(2000, 10);
    CMicFaults refusing;
    refusing.nakWrites = 3; // the first microphone's first block, three times
    bad.mic.SetFaults(refusing);
    CProductionArgs args;
    args.ports = {"/dev/vmic-a", "/dev/vmic-b"};
    args.count = 3;
    Open(args);
    // The field takes the largest quantity the tool takes, and no more.
    for (const int quantity : {0, 1000000, 1000001}) {
        m_window->QuantityBox()->setValue(quantity);
        EXPECT_EQ(m_window->QuantityBox()->value(), std::min(quantity, 1000000));
    }
    m_window->QuantityBox()->setValue(-1);
    EXPECT_EQ(m_window->QuantityBox()->value(), 0) << "no limit is the least";
    m_window->QuantityBox()->setValue(3);
    ASSERT_TRUE(m_window->Start());
    EXPECT_FALSE(m_window->ChoicesShown()) << "the tiles take the room during a run";
    ASSERT_TRUE(WaitFor([this] { return !m_window->Running(); })) << "the run did not end";
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(m_window->ChoicesShown());
    EXPECT_EQ(Tile(0).Done() + Tile(1).Done(), 3);
    EXPECT_EQ(m_window->ProgressText(), "3 of 3");
    EXPECT_TRUE(m_window->PaceText().startsWith("1 put aside"))
        << m_window->PaceText().toStdString();
    // One sound for the one put aside, another for the quantity done.
    EXPECT_EQ(std::count(m_sounds.begin(), m_sounds.end(), CProductionSetup::Sound::kPutAside), 1);
    EXPECT_EQ(
        std::count(m_sounds.begin(), m_sounds.end(), CProductionSetup::Sound::kQuantityReached), 1);
    EXPECT_EQ(m_window->SummaryText(), "In all: 3 of 3 microphones written and verified. Failed: "
                                       "/dev/vmic-b microphone 1.");
}

// The run's summary and the log's count the same microphones: one whose
// backup failed is a failed microphone in both, and the log table shows a
// row per microphone, its backup and write in one.
TEST_F(ProductionWindowTest, TheRunAndTheLogCountTheSameMicrophones)
{
    CFleetRigPort& line = Port("/dev/vmic-a");
    line.PlayBatch(2000, 3);
    // The second microphone's cable drops in the backup's first read; it is
    // put aside and taken away as a written one would be.
    bool dropped = false;
    line.plugging = [&dropped, &line](int number) {
        if (number != 2)
            return;
        dropped = true;
        CMicFaults drop;
        drop.dropAfterBlock = 2;
        line.mic.SetFaults(drop);
    };
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    args.logPath = Path("run.csv");
    args.backupDir = Path("bk");
    args.count = 2;
    Open(args);
    ASSERT_TRUE(m_window->Start());
    ASSERT_TRUE(WaitFor([this] { return !m_window->Running(); })) << "the run did not end";
    QCoreApplication::sendPostedEvents();

    EXPECT_TRUE(dropped);
    EXPECT_EQ(Tile(0).Tally().good, 2);
    std::ifstream logged(Path("run.csv"));
    EXPECT_EQ(Tile(0).Tally().failed, 1) << std::string(std::istreambuf_iterator<char>(logged), {});
    const QStringList rows = m_window->LogText().split(QLatin1Char('\n'));
    EXPECT_EQ(rows.size(), 3) << m_window->LogText().toStdString();
    EXPECT_TRUE(rows[1].contains(QStringLiteral("backup failed"))) << rows[1].toStdString();
    EXPECT_TRUE(m_window->SummaryText().contains(QStringLiteral("/dev/vmic-a microphone 2")))
        << m_window->SummaryText().toStdString();
    EXPECT_TRUE(m_window->ReportText().startsWith(QStringLiteral("The log holds 3 microphones")))
        << m_window->ReportText().toStdString();
    EXPECT_TRUE(m_window->ReportText().contains(QStringLiteral("To program again: 1.")))
        << m_window->ReportText().toStdString();
}

// A log the run cannot use is refused at Start, and left as it was: one
// begun without labels when labels are asked, a data file, a folder that
// is not there.
TEST_F(ProductionWindowTest, AStartRefusesALogItCannotUse)
{
    Port("/dev/vmic-a").PlayBatch(2000, 1);
    std::ofstream(Path("old.csv"), std::ios::binary) << LogHeader(LogVersion::kFirst) << "\r\n";
    const struct
    {
        std::string log;
        bool labels;
    } cases[] = {{Path("old.csv"), true}, {m_dataFile, false}, {Path("gone/run.csv"), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log);
        std::ifstream before(c.log, std::ios::binary);
        const std::string kept((std::istreambuf_iterator<char>(before)), {});
        CProductionArgs args;
        args.ports = {"/dev/vmic-a"};
        args.logPath = c.log;
        args.askLabel = c.labels;
        Open(args);
        const int opened = Port("/dev/vmic-a").line.OpenCount(); // the check before Start
        EXPECT_FALSE(m_window->Start());
        EXPECT_TRUE(m_window->StatusText().contains(QString::fromStdString(c.log)))
            << m_window->StatusText().toStdString();
        EXPECT_EQ(Port("/dev/vmic-a").line.OpenCount(), opened);
        std::ifstream after(c.log, std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), {}), kept);
    }
    // The old log takes a run without labels, in its own columns.
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    args.logPath = Path("old.csv");
    Open(args);
    ASSERT_TRUE(m_window->Start());
    ASSERT_TRUE(WaitFor([this] { return Tile(0).Done() == 1; }));
    StopAndWait();
    std::ifstream log(Path("old.csv"), std::ios::binary);
    const std::vector<CCsvRecord> rows =
        ParseCsv(std::string(std::istreambuf_iterator<char>(log), {}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].fields.size(), ColumnCount(LogVersion::kFirst));
}

// Serial numbers: each microphone on either port takes the next number as
// it starts, and a second run on the log goes on after the highest.
TEST_F(ProductionWindowTest, SerialNumbersComeFromACounterAcrossPortsAndRuns)
{
    std::vector<std::string> labels;
    for (const int run : {1, 2}) {
        SCOPED_TRACE(run);
        m_ports.clear();
        Port("/dev/vmic-a").PlayBatch(2000, 10);
        Port("/dev/vmic-b").PlayBatch(2000, 10);
        CProductionArgs args;
        args.ports = {"/dev/vmic-a", "/dev/vmic-b"};
        args.logPath = Path("run.csv");
        args.serial = "SN-{01}";
        args.count = 2;
        Open(args);
        ASSERT_TRUE(m_window->Start()) << m_window->StatusText().toStdString();
        ASSERT_TRUE(WaitFor([this] { return !m_window->Running(); }));
        QCoreApplication::sendPostedEvents();
    }
    std::ifstream log(Path("run.csv"), std::ios::binary);
    const std::vector<CCsvRecord> rows =
        ParseCsv(std::string(std::istreambuf_iterator<char>(log), {}));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        CLogEntry entry;
        ASSERT_TRUE(ReadLogEntry(rows[i].fields, kNewestLog, entry));
        labels.push_back(entry[LogColumn::kLabel]);
    }
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, (std::vector<std::string>{"SN-01", "SN-02", "SN-03", "SN-04"}));
    // The log table puts the newest first: the second run's above the first's.
    const QStringList table = m_window->LogText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(table.size(), 4);
    EXPECT_TRUE(table.front().contains("SN-03") || table.front().contains("SN-04"))
        << m_window->LogText().toStdString();
    EXPECT_TRUE(table.back().contains("SN-01") || table.back().contains("SN-02"))
        << m_window->LogText().toStdString();

    m_window->SerialField()->setText(QStringLiteral("SN-{1}{2}"));
    EXPECT_FALSE(m_window->Start());
    EXPECT_TRUE(m_window->StatusText().contains(QStringLiteral("no pattern")));
}

// What each tile shows, step by step: a word for each state, and a failed
// microphone PUT ASIDE (red, with its cause) until the port has seen it
// removed, an adapter pulled meanwhile included.
TEST(ProductionTile, EachStateHasItsWordAndAPutAsideOutlastsAPulledAdapter)
{
    CProductionTile tile(QStringLiteral("COM4"), QString(), true);
    const QColor plain = tile.LookColour();
    const struct
    {
        std::function<void()> step;
        TileLook look;
        const char* word;
        const char* detail; // a part of the line beneath
    } steps[] = {
        {[&] { tile.SetState(PortState::kWaiting); }, TileLook::kPlugIn, "PLUG IN", ""},
        {[&] { tile.SetState(PortState::kWriting); }, TileLook::kWriting, "WRITING", ""},
        {[&] { tile.SetBlock(3, 9); }, TileLook::kWriting, "WRITING", "Block 3 / 9"},
        {[&] { tile.SetState(PortState::kVerifying); }, TileLook::kReadingBack, "READING BACK", ""},
        {[&] { tile.SetResult(Record(1, JobResult::kVerified)); }, TileLook::kRemoveOk,
         "REMOVE \u2014 OK", ""},
        {[&] { tile.SetState(PortState::kRemoving); }, TileLook::kRemoveOk, "REMOVE \u2014 OK", ""},
        {[&] { tile.SetState(PortState::kWaiting); }, TileLook::kPlugIn, "PLUG IN", ""},
        {[&] { tile.SetResult(Record(2, JobResult::kFailed)); }, TileLook::kPutAside, "PUT ASIDE",
         "failed"},
        {[&] { tile.SetState(PortState::kNoPort, QStringLiteral("no adapter")); },
         TileLook::kPutAside, "PUT ASIDE", "The port does not open now: no adapter."},
        {[&] { tile.SetState(PortState::kRemoving); }, TileLook::kPutAside, "PUT ASIDE", "failed"},
        {[&] { tile.SetState(PortState::kWaiting); }, TileLook::kPlugIn, "PLUG IN", ""},
        {[&] { tile.SetState(PortState::kNoPort, QStringLiteral("no adapter")); },
         TileLook::kNoPort, "PORT DOES NOT OPEN", "no adapter"},
        {[&] { tile.SetRecordTrouble(QStringLiteral("record unreachable: gone")); },
         TileLook::kNoPort, "PORT DOES NOT OPEN", "no adapter"},
        {[&] { tile.SetState(PortState::kWaiting); }, TileLook::kPlugIn, "PLUG IN",
         "record unreachable: gone"},
        {[&] { tile.SetRecordTrouble(QString()); }, TileLook::kPlugIn, "PLUG IN", ""},
        {[&] { tile.SetChecked(QString()); }, TileLook::kReady, "READY", "the port opens"},
        {[&] { tile.SetState(PortState::kFinished); }, TileLook::kFinished, "ENDED", ""},
    };
    std::map<TileLook, QColor> colours;
    int number = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(++number);
        s.step();
        EXPECT_EQ(tile.Look(), s.look);
        EXPECT_EQ(tile.WordText(), QString::fromUtf8(s.word));
        EXPECT_EQ(tile.WordText(), QString::fromUtf8(TileWord(s.look)));
        EXPECT_TRUE(tile.DetailText().contains(QString::fromUtf8(s.detail)))
            << tile.DetailText().toStdString();
        EXPECT_TRUE(tile.accessibleName().startsWith(QStringLiteral("Port COM4: ") + s.word))
            << tile.accessibleName().toStdString();
        EXPECT_EQ(tile.PutAside(), s.look == TileLook::kPutAside);
        EXPECT_EQ(tile.BarShown(), s.look == TileLook::kWriting || s.look == TileLook::kReadingBack)
            << "the bar while blocks move only";
        colours[s.look] = tile.LookColour();
    }
    const QColor putAside = colours[TileLook::kPutAside];
    const QColor removeOk = colours[TileLook::kRemoveOk];
    const QColor noPort = colours[TileLook::kNoPort];
    // Red, green and a colour of its own, each unlike a plain tile.
    EXPECT_LE(putAside.hsvHue(), 10);
    EXPECT_GE(removeOk.hsvHue(), 90);
    EXPECT_LE(removeOk.hsvHue(), 150);
    for (const QColor& colour : {putAside, removeOk})
        EXPECT_NE(colour, plain);
    EXPECT_NE(noPort, putAside);
    EXPECT_NE(noPort, plain);
}

// The word is read from across the room: at least three times the height
// of the window's text on a tile of four on a 1280x1024 screen, and never
// wider than its tile; the label likewise large.
TEST(ProductionTile, TheWordScalesWithTheTile)
{
    CProductionTile tile(QStringLiteral("COM4"), QString(), true);
    const int text = QFontInfo(QApplication::font()).pixelSize();
    tile.resize(620, 440);
    tile.show();
    QCoreApplication::processEvents();
    for (const PortState state : {PortState::kWaiting, PortState::kVerifying, PortState::kNoPort}) {
        tile.SetState(state);
        EXPECT_GE(tile.WordPixelSize(), 3 * text) << tile.WordText().toStdString();
        QFont word = tile.font();
        word.setBold(true);
        word.setPixelSize(tile.WordPixelSize());
        EXPECT_LE(QFontMetrics(word).horizontalAdvance(tile.WordText()), tile.width());
    }
    // A label as long as a label may be still fits the tile, at once.
    const QString longest = QStringLiteral("SN-") + QString(61, QLatin1Char('W'));
    tile.SetLabel(longest);
    QFont label = tile.font();
    label.setBold(true);
    label.setPixelSize(tile.LabelPixelSize());
    EXPECT_LE(QFontMetrics(label).horizontalAdvance(longest), tile.width());
    tile.SetLabel(QStringLiteral("SN-0042"));
    EXPECT_GE(tile.LabelPixelSize(), 2 * text) << "a short label in large type";
    const int large = tile.WordPixelSize();
    tile.resize(240, 170);
    QCoreApplication::processEvents();
    EXPECT_LT(tile.WordPixelSize(), large) << "a smaller tile, smaller type";
    EXPECT_GE(tile.WordPixelSize(), text);
}

// Each kind of result has its colour: green for a good one, amber for one
// written but not read back, red for a failure.
TEST(ProductionTile, AFailureAndAWriteNotReadBackHaveColoursOfTheirOwn)
{
    CProductionTile tile(QStringLiteral("COM4"), QString(), true);
    const struct
    {
        JobResult result;
        int lowestHue;
        int highestHue;
    } cases[] = {{JobResult::kVerified, 90, 150},
                 {JobResult::kNotVerified, 30, 60},
                 {JobResult::kFailed, 0, 10},
                 {JobResult::kHoldsOther, 0, 10}};
    int number = 0;
    for (const auto& c : cases) {
        tile.SetResult(Record(++number, c.result));
        const int hue = tile.ResultColour().hsvHue();
        EXPECT_GE(hue, c.lowestHue) << JobResultName(c.result);
        EXPECT_LE(hue, c.highestHue) << JobResultName(c.result);
    }
}

// "Ask for a label": each tile's field takes the label of the microphone on
// its port before it is written (Enter, as a scanner ends it); a refused
// label is asked again; the label goes into the result and the log; Stop
// ends a port that waits for one.
TEST_F(ProductionWindowTest, EachMicrophoneIsWrittenOnceItsLabelIsGiven)
{
    Port("/dev/vmic-a").PlayBatch(2000, 5);
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    args.askLabel = true;
    args.logPath = Path("run.csv");
    Open(args);
    EXPECT_TRUE(m_window->AskLabelBox()->isChecked());
    ASSERT_TRUE(m_window->Start());
    QLineEdit* field = Tile(0).LabelField();
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(WaitFor([field] { return field->isEnabled(); })) << "the label was not asked for";
    EXPECT_EQ(Port("/dev/vmic-a").mic.BlocksStored(), 0) << "nothing written before the label";

    field->setText(QStringLiteral("SN\t1"));
    emit field->returnPressed();
    EXPECT_TRUE(field->isEnabled()) << "a refused label is asked again";
    EXPECT_TRUE(Tile(0).DetailText().startsWith("That label is refused"))
        << Tile(0).DetailText().toStdString();
    field->setText(QStringLiteral("SN-0042"));
    emit field->returnPressed();
    ASSERT_TRUE(WaitFor([this] { return Tile(0).Done() == 1; }));
    EXPECT_EQ(Tile(0).ResultText(), "Microphone 1 (SN-0042): verified");

    ASSERT_TRUE(WaitFor([field] { return field->isEnabled(); })) << "the next one's label";
    // A label goes to one microphone only.
    field->setText(QStringLiteral("SN-0042"));
    emit field->returnPressed();
    EXPECT_TRUE(field->isEnabled());
    EXPECT_TRUE(Tile(0).DetailText().contains(QStringLiteral("used already")))
        << Tile(0).DetailText().toStdString();
    StopAndWait();
    EXPECT_EQ(Tile(0).Done(), 1);
    std::ifstream log(Path("run.csv"));
    const std::string text((std::istreambuf_iterator<char>(log)), {});
    EXPECT_NE(text.find(",verified,"), std::string::npos) << text;
    EXPECT_NE(text.find(",SN-0042,"), std::string::npos) << text;
}

// With the shop's record the numbers go on from the record, without any log,
// and the pace says the shop's day beside this station's.
TEST_F(ProductionWindowTest, SerialNumbersComeFromTheShopsRecord)
{
    std::vector<std::string> labels;
    for (const int run : {1, 2}) {
        SCOPED_TRACE(run);
        m_ports.clear();
        Port("/dev/vmic-a").PlayBatch(2000, 10);
        CProductionArgs args;
        args.ports = {"/dev/vmic-a"};
        args.record = Path("shop.db");
        args.serial = "SN-{01}";
        args.count = 2;
        Open(args);
        ASSERT_TRUE(m_window->Start()) << m_window->StatusText().toStdString();
        ASSERT_TRUE(WaitFor([this] { return !m_window->Running(); }));
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_TRUE(m_window->PaceText().endsWith("shop today: 4 (here 4)"))
        << m_window->PaceText().toStdString();
    EXPECT_TRUE(m_window->LogText().contains("SN-04") && !m_window->LogText().contains("SN-05"))
        << m_window->LogText().toStdString();

    m_window->RecordField()->setText(QStringLiteral("mysql://db/line"));
    EXPECT_FALSE(m_window->Start());
    EXPECT_TRUE(m_window->StatusText().startsWith("The record cannot be used: "))
        << m_window->StatusText().toStdString();
}

// Before Start each ticked port's tile says whether it opens, with the
// survey's finding for one that does not; unticked ports have none.
TEST_F(ProductionWindowTest, BeforeStartEachTickedPortSaysWhetherItOpens)
{
    Port("/dev/vmic-b").line.SetDeviceName("/dev/elsewhere");
    m_trouble["/dev/vmic-b"] = "no serial device at /dev/vmic-b";
    CProductionArgs args;
    args.ports = {"/dev/vmic-a", "/dev/vmic-b"};
    Open(args);
    ASSERT_EQ(m_window->Tiles().size(), 2u);
    EXPECT_EQ(Tile(0).Look(), TileLook::kReady);
    EXPECT_EQ(Tile(1).Look(), TileLook::kNoPort);
    EXPECT_EQ(Tile(1).DetailText(), "no serial device at /dev/vmic-b");
    QListWidgetItem* second = nullptr;
    for (int i = 0; i < m_window->PortList()->count(); ++i)
        if (m_window->PortList()->item(i)->text() == "/dev/vmic-b")
            second = m_window->PortList()->item(i);
    ASSERT_NE(second, nullptr);
    second->setCheckState(Qt::Unchecked);
    ASSERT_EQ(m_window->Tiles().size(), 1u);
    EXPECT_EQ(Tile(0).Look(), TileLook::kReady);
}

// The file, the ports, the options and the quantity of the last run come
// back in a window of a new start.
TEST_F(ProductionWindowTest, ANewWindowComesBackAsTheLastRunLeftIt)
{
    Port("/dev/vmic-a").PlayBatch(2000, 1);
    Port("/dev/vmic-b");
    CProductionArgs args;
    args.ports = {"/dev/vmic-b", "/dev/vmic-a"};
    args.verify = false;
    args.skipSame = true;
    args.count = 7;
    args.serial = "SN-{001}";
    args.backupDir = Path("bk");
    args.logPath = Path("run.csv");
    Open(args);
    ASSERT_TRUE(m_window->Start());
    StopAndWait();
    NewWindow();
    m_window->Restore();
    EXPECT_EQ(m_window->Tiles().size(), 2u) << "the ports ticked again";
    EXPECT_TRUE(m_window->StartButton()->isEnabled()) << "the file loaded again";
    EXPECT_FALSE(m_window->VerifyBox()->isChecked());
    EXPECT_TRUE(m_window->SkipSameBox()->isChecked());
    EXPECT_EQ(m_window->QuantityBox()->value(), 7);
    EXPECT_EQ(m_window->SerialField()->text(), "SN-{001}");
    const QList<QWidget*> controls = m_window->Controls();
    for (const auto& [name, value] :
         {std::pair<const char*, std::string>{"Backup folder", Path("bk")},
          {"Log file", Path("run.csv")},
          {"Data file", m_dataFile}})
        for (QWidget* control : controls) {
            const auto* field = qobject_cast<QLineEdit*>(control);
            const bool named = control->accessibleName() == QString::fromUtf8(name);
            EXPECT_TRUE(!named || (field && field->text().toStdString() == value)) << name;
        }
}

// The pace of a run on the window's clock: verified per hour since Start,
// and when the quantity will be done at that pace.
TEST_F(ProductionWindowTest, TheProgressSaysThePaceAndTheExpectedEnd)
{
    Port("/dev/vmic-a").PlayBatch(2000, 1); // one microphone comes, so the count holds still
    CProductionArgs args;
    args.ports = {"/dev/vmic-a"};
    args.count = 5;
    Open(args);
    ASSERT_TRUE(m_window->Start());
    EXPECT_EQ(m_window->ProgressText(), "0 of 5");
    m_clock.Set(10, 30, 0); // half an hour after Start
    ASSERT_TRUE(WaitFor([&] { return Tile(0).Done() == 1; }));
    EXPECT_EQ(m_window->ProgressText(), "1 of 5");
    EXPECT_EQ(m_window->PaceText(),
              QStringLiteral("0 put aside \u00b7 2.0 per hour \u00b7 done about 12:30"));
    // Read from across the room: the progress three times the window's text, the pace twice.
    const int text = QFontInfo(m_window->font()).pixelSize();
    for (const auto& [name, scale] :
         {std::pair<const char*, int>{"Progress of the run", 3}, {"Pace of the run", 2}}) {
        const QLabel* label = nullptr;
        for (const QLabel* candidate : m_window->findChildren<QLabel*>())
            if (candidate->accessibleName() == QString::fromUtf8(name))
                label = candidate;
        ASSERT_NE(label, nullptr) << name;
        EXPECT_GE(QFontInfo(label->font()).pixelSize(), scale * text) << name;
    }
    StopAndWait();
}
