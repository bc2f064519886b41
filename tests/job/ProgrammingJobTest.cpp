#include "link/LinkRig.h"
#include "link/SilentTransferView.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "job/LogLayout.h"
#include "job/MicBackup.h"
#include "job/PendingLine.h"
#include "job/ProgrammingJob.h"
#include "job/TransferLog.h"
#include "link/Transfer.h"
#include "text/TextCatalog.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#ifdef __linux__
#include <sys/resource.h>
#endif
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// A progress window that notes the text ID of each thing it is told.
struct CToldView : CSilentTransferView
{
    void OnFailure(TransferMode mode, const CSessionResult& result) override
    {
        told.push_back(TransferMessageId(mode, result));
    }
    void OnCompleted(TransferMode mode) override
    {
        CSessionResult done;
        done.stage = SessionStage::kDone;
        told.push_back(TransferMessageId(mode, done));
    }
    std::vector<int32_t> told;
};

// A programming station on one in-process line, logging into a folder of
// its own.
struct CJobRig : CLinkRig
{
    CJobRig() : store(&texts), log(LogPath())
    {
        texts.SelectLanguage("English");
        store.Reset();
        for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
            store.WorkingImage()[i] = static_cast<uint8_t>(i * 5 + 1);
        store.ImageToSaved();
        for (std::size_t i = 0; i < mic.GetImage().size(); ++i)
            mic.GetImage()[i] = static_cast<uint8_t>(i * 3);
        settings.port = "COM3";
        settings.dataFile = "fleet.dat";
        settings.log = &log;
    }

    std::string LogPath() const { return folder.filePath("run.csv").toStdString(); }
    std::string BackupDir() const { return folder.filePath("backups").toStdString(); }

    CMicRecord Write()
    {
        CTransfer transfer(link, store, texts, view);
        CProgrammingJob job(link, transfer, store, local, settings);
        return job.Write();
    }
    CMicRecord Read()
    {
        CTransfer transfer(link, store, texts, view);
        CProgrammingJob job(link, transfer, store, local, settings);
        CMicRecord record = job.Read();
        job.LogRead(record);
        return record;
    }

    // The log's lines after the header, as the log's readers take them.
    std::vector<CLogEntry> Log() const
    {
        std::ifstream file(LogPath(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(file)), {});
        std::vector<CLogEntry> entries;
        LogVersion version = kNewestLog;
        const std::vector<CCsvRecord> lines = ParseCsv(text);
        if (lines.empty() || !ReadLogHeader(text.substr(0, text.find('\n')), version))
            return entries;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            CLogEntry entry;
            EXPECT_TRUE(ReadLogEntry(lines[i].fields, version, entry)) << i;
            entries.push_back(entry);
        }
        return entries;
    }

    bool MicHoldsStore() const
    {
        return std::equal(mic.GetImage().begin(), mic.GetImage().end(), store.WorkingImage());
    }

    QTemporaryDir folder;
    CTextCatalog texts;
    CConfigStore store;
    CToldView view;
    CTransferLog log;
    CJobSettings settings;
};

// Tells each opening of the port.
class COpenWatcher : public IWireObserver
{
public:
    explicit COpenWatcher(std::function<void()> opened) : m_opened(std::move(opened)) {}
    void OnWire(bool, const uint8_t*, std::size_t, uint32_t, uint32_t) override {}
    void OnOpened(const std::string&, LowLatency) override { m_opened(); }

private:
    std::function<void()> m_opened;
};

using Column = LogColumn;

} // namespace

TEST(ProgrammingJob, AVerifiedWriteIsLoggedWithTheMicrophoneAndTheImage)
{
    CJobRig rig;
    const CMicRecord record = rig.Write();
    EXPECT_EQ(record.result, JobResult::kVerified);
    EXPECT_EQ(record.stage, JobStage::kDone);
    EXPECT_EQ(record.holds, Holds::kNew);
    EXPECT_EQ(record.cause.kind, CauseKind::kNone);
    EXPECT_TRUE(record.wayBack.Empty());
    EXPECT_EQ(record.unit.size(), 12u);
    EXPECT_TRUE(rig.MicHoldsStore());
    EXPECT_EQ(rig.line.OpenCount(), 2) << "the write, then the read-back";

    const auto lines = rig.Log();
    ASSERT_EQ(lines.size(), 1u);
    const CLogEntry& line = lines[0];
    EXPECT_EQ(line[Column::kPort], "COM3");
    EXPECT_EQ(line[Column::kDevice], CLinkRig::kDevice);
    EXPECT_EQ(line[Column::kModel], "PVHM_812");
    EXPECT_EQ(line[Column::kVersion], "V1.00");
    EXPECT_EQ(line[Column::kOperation], "write");
    EXPECT_EQ(line[Column::kFile], (std::filesystem::current_path() / "fleet.dat").string())
        << "named in full, whatever folder the log is read from";
    EXPECT_EQ(line[Column::kSha256], Sha256Hex(rig.store.WorkingImage(), CConfigStore::kImageSize));
    EXPECT_EQ(line[Column::kResult], "verified");
    EXPECT_EQ(line[Column::kUnit], record.unit);
    EXPECT_EQ(line[Column::kStage], "done");
    EXPECT_EQ(line[Column::kCause], "");
    EXPECT_EQ(line[Column::kHolds], "new");
    EXPECT_EQ(line[Column::kMessage], "") << "no front end said anything of it";
}

// Each way a write can end, in the record's fields and the log's words;
// a front end's words for the record go into the message column.
TEST(ProgrammingJob, WriteOutcomesBesidesVerified)
{
    {
        CJobRig rig;
        // The microphone keeps one byte of block 6 wrong.
        rig.mic.SetStoredHandler([&]() { rig.mic.GetImage()[0x054B] ^= 0x01; });
        rig.settings.describe = [](const CMicRecord& record) {
            return std::string("said of ") + JobResultName(record.result);
        };
        const CMicRecord record = rig.Write();
        EXPECT_EQ(record.result, JobResult::kDiffers);
        EXPECT_EQ(record.cause.kind, CauseKind::kImageDiffers);
        EXPECT_EQ(record.cause.blocks, std::vector<int>{5});
        EXPECT_EQ(record.cause.offset, 0x054B);
        EXPECT_EQ(record.holds, Holds::kPartOfEach);
        EXPECT_EQ(record.wayBack.file, "fleet.dat");
        EXPECT_FALSE(record.wayBack.backup);
        EXPECT_EQ(record.wayBack.port, "COM3");
        const CLogEntry line = rig.Log().at(0);
        EXPECT_EQ(line[Column::kResult], "differs");
        EXPECT_EQ(line[Column::kCause], "differs");
        EXPECT_EQ(line[Column::kHolds], "part-of-each");
        EXPECT_EQ(line[Column::kMessage], "said of differs");
    }
    {
        CJobRig rig;
        rig.settings.verify = false;
        const CMicRecord record = rig.Write();
        EXPECT_EQ(record.result, JobResult::kWritten);
        EXPECT_EQ(record.holds, Holds::kNew);
        EXPECT_EQ(rig.line.OpenCount(), 1) << "no read-back";
        EXPECT_EQ(rig.Log().at(0)[Column::kResult], "written");
    }
    {
        CJobRig rig;
        rig.settings.verifyWaitMs = 2000;
        // The microphone goes quiet once it has stored the image.
        rig.mic.SetStoredHandler(
            [&]() { rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; })); });
        const CMicRecord record = rig.Write();
        EXPECT_EQ(record.result, JobResult::kNotVerified);
        EXPECT_EQ(record.stage, JobStage::kReadBack);
        EXPECT_EQ(record.cause.kind, CauseKind::kNotReadBack);
        EXPECT_EQ(record.cause.readBackStage, SessionStage::kEntry);
        EXPECT_EQ(record.holds, Holds::kNotKnown);
        EXPECT_EQ(rig.Log().at(0)[Column::kResult], "written-not-verified");
    }
    // Another model, and one whose identifier came one bit off: the first
    // is another microphone, the second a line that garbles; neither is
    // written.
    for (const auto& [model, kind] : {std::pair{"OTHER_01", CauseKind::kOtherModel},
                                      std::pair{"PVHm_812", CauseKind::kGarbledIdentifier}}) {
        CJobRig rig;
        rig.mic.SetFaults(MakeFaults([model = model](CMicFaults& f) { f.model = model; }));
        const CMicRecord record = rig.Write();
        EXPECT_EQ(record.result, JobResult::kFailed) << model;
        EXPECT_EQ(record.stage, JobStage::kModel);
        EXPECT_EQ(record.cause.kind, kind) << model;
        EXPECT_EQ(record.cause.identifier, model);
        EXPECT_EQ(record.holds, Holds::kAsItWas);
        EXPECT_EQ(rig.mic.BlocksStored(), 0);
        const CLogEntry line = rig.Log().at(0);
        EXPECT_EQ(line[Column::kResult], "failed");
        EXPECT_EQ(line[Column::kModel], model) << "the model that answered";
    }
}

TEST(ProgrammingJob, TheBackupKeepsThePreviousConfiguration)
{
    CJobRig rig;
    rig.settings.backupDir = rig.BackupDir();
    const CVirtualMic::Image previous = rig.mic.GetImage();
    const CMicRecord record = rig.Write();
    ASSERT_EQ(record.result, JobResult::kVerified);
    EXPECT_TRUE(rig.MicHoldsStore());

    const auto lines = rig.Log();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][Column::kOperation], "backup");
    EXPECT_EQ(lines[0][Column::kResult], "read");
    EXPECT_EQ(lines[0][Column::kSha256], Sha256Hex(previous.data(), previous.size()));
    EXPECT_EQ(lines[1][Column::kOperation], "write");
    EXPECT_EQ(lines[0][Column::kUnit], lines[1][Column::kUnit]) << "one microphone";

    const QStringList files = QDir(QString::fromStdString(rig.BackupDir())).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].endsWith(QStringLiteral("_COM3_PVHM_812.dat"))) << files[0].toStdString();
    EXPECT_EQ(lines[0][Column::kFile], rig.BackupDir() + "/" + files[0].toStdString());
    EXPECT_EQ(record.backupFile, lines[0][Column::kFile]);
    CConfigStore loaded;
    ForeignProductName foreign{};
    ASSERT_EQ(LoadDataFile(loaded, record.backupFile, foreign), DataFile::kLoaded);
    EXPECT_TRUE(std::equal(previous.begin(), previous.end(), loaded.TransferCopy()));

    // A write that breaks off after it names the backup as the way back.
    bool dropping = false;
    rig.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
        if (!dropping && rig.mic.BlocksStored() > 9) {
            dropping = true;
            rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.dropAfterBlock = 4; }));
        }
    });
    const CMicRecord broken = rig.Write();
    EXPECT_EQ(broken.result, JobResult::kFailed);
    EXPECT_EQ(broken.stage, JobStage::kBlock);
    EXPECT_EQ(broken.cause.kind, CauseKind::kConnectionLost);
    EXPECT_EQ(broken.holds, Holds::kPartOfEach);
    EXPECT_TRUE(broken.wayBack.backup);
    EXPECT_EQ(broken.wayBack.file, broken.backupFile);
    EXPECT_NE(broken.backupFile, record.backupFile) << "a backup of its own";
    EXPECT_NE(broken.unit, record.unit) << "another microphone";
}
// Before each step the job holds the line that a stop there leaves, so
// that a process that must end at once (a second Ctrl+C) still logs where
// the microphone was left: what is held is written as it stands at that
// moment, and nothing after it.
TEST(ProgrammingJob, TheLineOfAStopIsHeldReadyAtEachStep)
{
    struct CStep
    {
        int blocksStored;  // when the process ends, by the blocks stored
        int blocksServed;  // or by the blocks served after them
        const char* stage; // what the held line then says
        const char* holds;
    };
    const CStep steps[] = {{0, 2, "port", "as-it-was"},
                           {3, 0, "block", "part-of-each"},
                           {9, 2, "read-back", "not-known"}};
    for (const CStep& step : steps) {
        SCOPED_TRACE(step.stage);
        CJobRig rig;
        bool ended = false;
        rig.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
            if (!ended && rig.mic.BlocksStored() == step.blocksStored &&
                rig.mic.BlocksServed() == step.blocksServed) {
                ended = true;
                WritePendingLinesNow();
            }
        });
        if (step.blocksStored == 0)
            rig.settings.skipSame = true; // a read comes first
        const CMicRecord record = rig.Write();
        ASSERT_TRUE(ended);
        const auto lines = rig.Log();
        ASSERT_EQ(lines.size(), 1u) << "the held line; the job writes none after it";
        EXPECT_EQ(lines[0][Column::kResult], "interrupted");
        EXPECT_EQ(lines[0][Column::kOperation], "write");
        EXPECT_EQ(lines[0][Column::kStage], step.stage);
        EXPECT_EQ(lines[0][Column::kHolds], step.holds);
        EXPECT_EQ(lines[0][Column::kCause], "interrupted");
        EXPECT_EQ(lines[0][Column::kUnit], record.unit);
        EXPECT_EQ(record.result, JobResult::kVerified) << "the job itself went on";
    }
}

// A line can damage a read so that every block's sum still holds (a bit
// of the read command's address flipped brings another block): a backup is
// read until two reads agree, so that it holds what the microphone held.
TEST(ProgrammingJob, TheBackupIsReadUntilTwoReadsAgree)
{
    CJobRig rig;
    rig.settings.backupDir = rig.BackupDir();
    const CVirtualMic::Image previous = rig.mic.GetImage();
    constexpr int kBlock = 3;
    bool served = false;
    std::vector<uint8_t> kept;
    uint8_t* const block = rig.mic.GetImage().data() + Wire::kBlockSize * kBlock;
    rig.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
        // Only the first read brings the other block.
        if (!served && rig.mic.BlocksServed() == kBlock) {
            served = true;
            kept.assign(block, block + Wire::kBlockSize);
            std::fill(block, block + Wire::kBlockSize / 2, uint8_t{0x11});
        } else if (!kept.empty() && rig.mic.BlocksServed() > kBlock) {
            std::copy(kept.begin(), kept.end(), block);
            kept.clear();
        }
    });
    ASSERT_EQ(rig.Write().result, JobResult::kVerified);
    EXPECT_EQ(rig.mic.BlocksServed(), 4 * 9)
        << "three reads for the backup (the first two differ), one to verify";
    const QStringList files = QDir(QString::fromStdString(rig.BackupDir())).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    CConfigStore loaded;
    ForeignProductName foreign{};
    ASSERT_EQ(LoadDataFile(loaded, rig.BackupDir() + "/" + files[0].toStdString(), foreign),
              DataFile::kLoaded);
    EXPECT_TRUE(std::equal(previous.begin(), previous.end(), loaded.TransferCopy()));
}

TEST(ProgrammingJob, AFailedBackupReadWritesNothing)
{
    CJobRig rig;
    rig.settings.backupDir = rig.BackupDir();
    // The cable drops during the backup read; the microphone would take a
    // write afterwards.
    rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.dropAfterBlock = 3; }));
    const CVirtualMic::Image previous = rig.mic.GetImage();

    const CMicRecord record = rig.Write();
    EXPECT_EQ(record.operation, Operation::kBackup);
    EXPECT_EQ(record.result, JobResult::kFailed);
    EXPECT_EQ(record.stage, JobStage::kBlock);
    EXPECT_EQ(record.cause.kind, CauseKind::kConnectionLost);
    EXPECT_FALSE(record.cause.writing);
    EXPECT_EQ(record.holds, Holds::kAsItWas);
    EXPECT_EQ(rig.mic.BlocksStored(), 0);
    EXPECT_EQ(rig.mic.GetImage(), previous);
    EXPECT_EQ(rig.line.OpenCount(), 1);
    const auto lines = rig.Log();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][Column::kOperation], "backup");
    EXPECT_EQ(lines[0][Column::kResult], "failed");
    EXPECT_EQ(lines[0][Column::kCause], "lost");
    EXPECT_FALSE(QDir(QString::fromStdString(rig.BackupDir())).exists() &&
                 !QDir(QString::fromStdString(rig.BackupDir())).isEmpty());
}

// A backup that was read but cannot be saved stops the write as a failed
// read does, names the folder or the file at fault, and leaves no file in
// the folder that would pass for one.
TEST(ProgrammingJob, ABackupThatCannotBeSavedWritesNothingAndLeavesNoFile)
{
    const auto expectNothingWritten = [](CJobRig& rig, const CMicRecord& record,
                                         const CVirtualMic::Image& previous, CauseKind kind) {
        EXPECT_EQ(record.operation, Operation::kBackup);
        EXPECT_EQ(record.result, JobResult::kFailed);
        EXPECT_EQ(record.stage, JobStage::kSaveBackup);
        EXPECT_EQ(record.cause.kind, kind);
        EXPECT_TRUE(record.cause.error) << "the system's reason";
        EXPECT_EQ(rig.mic.BlocksStored(), 0);
        EXPECT_EQ(rig.mic.GetImage(), previous);
        EXPECT_EQ(rig.line.OpenCount(), 2) << "the backup's two reads only";
        const auto lines = rig.Log();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0][Column::kOperation], "backup");
        EXPECT_EQ(lines[0][Column::kResult], "failed");
    };
    {
        // The folder cannot be made: a file stands where it would go.
        CJobRig rig;
        const std::string file = rig.folder.filePath("file").toStdString();
        std::ofstream(file) << "x";
        rig.settings.backupDir = file + "/backups";
        const CVirtualMic::Image previous = rig.mic.GetImage();
        const CMicRecord record = rig.Write();
        expectNothingWritten(rig, record, previous, CauseKind::kBackupFolder);
        EXPECT_EQ(record.cause.path, rig.settings.backupDir);
    }
#ifdef __linux__
    {
        // The disk is full (a file size limit stands in for it): the folder
        // is made, the backup does not fit.
        CJobRig rig;
        rig.settings.backupDir = rig.BackupDir();
        const CVirtualMic::Image previous = rig.mic.GetImage();
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 1000; // the log's lines fit, a data file does not
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const CMicRecord record = rig.Write();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        expectNothingWritten(rig, record, previous, CauseKind::kBackupFile);
        const QDir backups(QString::fromStdString(rig.BackupDir()));
        EXPECT_EQ(backups.entryList(QDir::Files | QDir::Hidden).join(' ').toStdString(), "")
            << "no empty or partial file is left";
    }
#endif
}
// The backup's session has just ended programming mode when the write
// enters it again; a microphone that needs a moment gets the same wait as
// the read-back, and only the entry is tried again.
TEST(ProgrammingJob, TheWriteAfterABackupRetriesItsEntryWithinTheWait)
{
    const auto connectionBoxes = [](const CJobRig& rig) {
        return std::count(rig.view.told.begin(), rig.view.told.end(), TextId::kCheckConnections);
    };
    {
        CJobRig rig;
        rig.settings.backupDir = rig.BackupDir();
        // Opens 1 and 2 are the backup's two reads; the entries of opens 3
        // and 4 go unanswered.
        rig.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
            rig.mic.SetPlugged(rig.line.OpenCount() < 3 || rig.line.OpenCount() > 4);
        });
        EXPECT_EQ(rig.Write().result, JobResult::kVerified);
        EXPECT_TRUE(rig.MicHoldsStore());
        EXPECT_EQ(rig.mic.BlocksStored(), 9) << "every block sent once";
        EXPECT_EQ(rig.line.OpenCount(), 6) << "backup, two refused entries, write, read-back";
        EXPECT_EQ(connectionBoxes(rig), 0) << "no box for the attempts that failed";
        const auto lines = rig.Log();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1][Column::kOperation], "write");
        EXPECT_EQ(lines[1][Column::kResult], "verified");
    }
    {
        // Each entry fails at once (the line takes no bytes) until 300 ms
        // before the wait is over.
        CJobRig rig;
        rig.settings.backupDir = rig.BackupDir();
        rig.settings.verifyWaitMs = 4000;
        uint32_t writeFrom = 0;
        COpenWatcher watcher([&] {
            if (rig.line.OpenCount() == 2)
                writeFrom = rig.ticks.NowMs();
            rig.line.SetWriteFails(rig.line.OpenCount() >= 2 &&
                                   rig.ticks.NowMs() < writeFrom + rig.settings.verifyWaitMs - 300);
        });
        rig.link.SetWireObserver(&watcher);
        EXPECT_EQ(rig.Write().result, JobResult::kVerified);
        EXPECT_TRUE(rig.MicHoldsStore());
        EXPECT_GT(rig.line.OpenCount(), 5) << "entries tried again";
        rig.link.SetWireObserver(nullptr);
    }
    {
        CJobRig rig;
        rig.settings.backupDir = rig.BackupDir();
        rig.settings.verifyWaitMs = 3000;
        rig.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
            rig.mic.SetPlugged(rig.line.OpenCount() < 3);
        });
        const CVirtualMic::Image previous = rig.mic.GetImage();
        const uint32_t start = rig.ticks.NowMs();
        const CMicRecord record = rig.Write();
        EXPECT_EQ(record.result, JobResult::kFailed);
        EXPECT_EQ(record.stage, JobStage::kEntry);
        EXPECT_EQ(record.cause.kind, CauseKind::kNoAnswer);
        EXPECT_EQ(record.cause.rates.size(), 7u);
        EXPECT_TRUE(record.cause.writing);
        EXPECT_EQ(record.holds, Holds::kAsItWas);
        EXPECT_EQ(rig.mic.BlocksStored(), 0);
        EXPECT_EQ(rig.mic.GetImage(), previous);
        EXPECT_GT(rig.line.OpenCount(), 2) << "the entry was tried again";
        EXPECT_GE(rig.ticks.NowMs() - start, 3000u) << "until the wait ran out";
        EXPECT_EQ(connectionBoxes(rig), 1) << "the final failure, shown once";
        const auto lines = rig.Log();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0][Column::kResult], "read");
        EXPECT_EQ(lines[1][Column::kOperation], "write");
        EXPECT_EQ(lines[1][Column::kResult], "failed");
        EXPECT_EQ(lines[1][Column::kStage], "entry");
        EXPECT_EQ(lines[1][Column::kCause], "no-answer");
    }
}

TEST(ProgrammingJob, AConfirmedReadFillsTheStoreAndIsLogged)
{
    {
        CJobRig rig;
        const CMicRecord record = rig.Read();
        EXPECT_EQ(record.result, JobResult::kVerified);
        EXPECT_EQ(record.reads, 2);
        EXPECT_TRUE(rig.MicHoldsStore());
        EXPECT_EQ(rig.Log().at(0)[Column::kOperation], "read");
        EXPECT_EQ(rig.Log().at(0)[Column::kResult], "verified");
    }
    {
        // The cable drops during the first read.
        CJobRig rig;
        const uint8_t before = rig.store.WorkingImage()[0];
        rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.dropAfterBlock = 6; }));
        const CMicRecord record = rig.Read();
        EXPECT_EQ(record.result, JobResult::kFailed);
        EXPECT_EQ(record.cause.kind, CauseKind::kConnectionLost);
        EXPECT_EQ(record.cause.block, 7);
        EXPECT_EQ(rig.store.WorkingImage()[0], before) << "a failed read leaves the store";
        EXPECT_EQ(rig.Log().at(0)[Column::kResult], "failed");
        EXPECT_EQ(rig.Log().at(0)[Column::kSha256], "");
    }
    {
        // The microphone answers the second read's entry only after a
        // moment, as it may once a session has ended.
        CJobRig rig;
        rig.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
            rig.mic.SetPlugged(rig.line.OpenCount() != 2 && rig.line.OpenCount() != 3);
        });
        EXPECT_EQ(rig.Read().result, JobResult::kVerified);
        EXPECT_EQ(rig.line.OpenCount(), 4) << "two refused entries, then the second read";
        EXPECT_EQ(rig.mic.BlocksServed(), 18);
    }
    {
        CJobRig rig;
        rig.settings.verify = false;
        EXPECT_EQ(rig.Read().result, JobResult::kRead);
        EXPECT_TRUE(rig.MicHoldsStore());
        EXPECT_EQ(rig.Log().at(0)[Column::kResult], "read");
    }
}

TEST(MicBackup, NamesAndNeverReplacesAFile)
{
    EXPECT_EQ(BackupFileName("20240501-101530", "COM3", "PVHM_812"),
              "20240501-101530_COM3_PVHM_812.dat");
    EXPECT_EQ(BackupFileName("20240501-101530", "/dev/pts/3", "PVHM_812", 2),
              "20240501-101530_dev-pts-3_PVHM_812-2.dat");
    EXPECT_EQ(BackupFileName("20240501-101530", "\\\\.\\COM12", ""), "20240501-101530_COM12.dat");

    QTemporaryDir folder;
    const std::string dir = folder.filePath("new/backups").toStdString();
    CFixedClock clock(10, 0, 0);
    MicImage first{};
    first.fill(0x11);
    MicImage second{};
    second.fill(0x22);
    std::string path1;
    std::string path2;
    CBackupFailure error;
    ASSERT_TRUE(SaveBackup(first, dir, "20240501-101530", "COM3", "PVHM_812", clock, path1, error))
        << error.error.message();
    ASSERT_TRUE(SaveBackup(second, dir, "20240501-101530", "COM3", "PVHM_812", clock, path2, error))
        << error.error.message();
    EXPECT_NE(path1, path2);
#ifndef _WIN32
    // A backup is a file of the user's as any other: 0666 less the umask.
    const mode_t mask = ::umask(027);
    std::string path3;
    const bool third =
        SaveBackup(first, dir, "20240501-101530", "COM3", "PVHM_812", clock, path3, error);
    ::umask(mask);
    ASSERT_TRUE(third) << error.error.message();
    struct stat st
    {
    };
    ASSERT_EQ(::stat(path3.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
    for (const auto& [path, fill] : {std::pair{path1, 0x11}, std::pair{path2, 0x22}}) {
        CConfigStore loaded;
        ForeignProductName foreign{};
        ASSERT_EQ(LoadDataFile(loaded, path, foreign), DataFile::kLoaded);
        EXPECT_EQ(loaded.TransferCopy()[100], fill);
    }
}
