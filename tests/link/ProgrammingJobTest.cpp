#include "link/LinkRig.h"
#include "link/SilentTransferView.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "link/MicBackup.h"
#include "link/ProgrammingJob.h"
#include "link/Transfer.h"
#include "link/TransferLog.h"
#include "text/TextCatalog.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>
#ifdef __linux__
#include <sys/resource.h>
#endif
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// The log's message column, counted from 0.
constexpr std::size_t kMessage = 9;

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

    CJobOutcome Write()
    {
        CTransfer transfer(link, store, texts, view);
        CProgrammingJob job(link, transfer, store, local, settings);
        return job.Write();
    }
    CJobOutcome Read()
    {
        CTransfer transfer(link, store, texts, view);
        CProgrammingJob job(link, transfer, store, local, settings);
        const CJobOutcome outcome = job.Read();
        job.LogRead(outcome);
        return outcome;
    }

    // The log's lines after the header, split into fields (none quoted here
    // but the message, which the test does not split).
    std::vector<std::vector<std::string>> LogLines() const
    {
        std::ifstream file(LogPath(), std::ios::binary);
        std::vector<std::vector<std::string>> lines;
        std::string line;
        std::getline(file, line);
        while (std::getline(file, line)) {
            std::vector<std::string> fields;
            std::stringstream split(line);
            std::string field;
            for (int i = 0; i < 9 && std::getline(split, field, ','); ++i)
                fields.push_back(field);
            lines.push_back(fields);
        }
        return lines;
    }

    // The message column of log line `n` (after the header), unquoted.
    std::string LogMessage(std::size_t n) const
    {
        std::ifstream file(LogPath(), std::ios::binary);
        std::string line;
        for (std::size_t i = 0; i <= n + 1; ++i)
            std::getline(file, line);
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else if (c == '"')
                quoted = !quoted;
            else if (c == ',' && !quoted)
                fields.emplace_back();
            else if (c != '\r' || quoted)
                fields.back() += c;
        }
        return fields.size() > kMessage ? fields[kMessage] : "<no message column>";
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

enum Field
{
    kPort = 1,
    kDevice,
    kModel,
    kVersion,
    kOperation,
    kFile,
    kSha,
    kResult
};

} // namespace

TEST(ProgrammingJob, AVerifiedWriteIsLoggedWithTheMicrophoneAndTheImage)
{
    CJobRig rig;
    const CJobOutcome outcome = rig.Write();
    EXPECT_EQ(outcome.result, JobResult::kVerified) << outcome.message;
    EXPECT_TRUE(rig.MicHoldsStore());
    EXPECT_EQ(rig.line.OpenCount(), 2) << "the write, then the read-back";

    const auto lines = rig.LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][kPort], "COM3");
    EXPECT_EQ(lines[0][kDevice], CLinkRig::kDevice);
    EXPECT_EQ(lines[0][kModel], "PVHM_812");
    EXPECT_EQ(lines[0][kVersion], "V1.00");
    EXPECT_EQ(lines[0][kOperation], "write");
    EXPECT_EQ(lines[0][kFile], (std::filesystem::current_path() / "fleet.dat").string())
        << "named in full, whatever folder the log is read from";
    EXPECT_EQ(lines[0][kSha], Sha256Hex(rig.store.WorkingImage(), CConfigStore::kImageSize));
    EXPECT_EQ(lines[0][kResult], "verified");
    EXPECT_EQ(rig.LogMessage(0), "Verified: the microphone holds the image written.");
}

TEST(ProgrammingJob, WriteOutcomesBesidesVerified)
{
    {
        CJobRig rig;
        // The microphone keeps one byte of block 5 wrong.
        rig.mic.SetStoredHandler([&]() { rig.mic.GetImage()[0x054B] ^= 0x01; });
        const CJobOutcome outcome = rig.Write();
        EXPECT_EQ(outcome.result, JobResult::kDiffers);
        EXPECT_EQ(outcome.message,
                  "Written but differs: block 6 differs from the image written, first at offset "
                  "0x054B. The microphone may now hold part of the new configuration and part of "
                  "the old. Writing fleet.dat again completes it.");
        // A front end that has a command for the way back gets it in the sentence.
        rig.settings.writeCommand = [](const std::string& file) { return "write " + file; };
        EXPECT_NE(rig.Write().message.find("Writing fleet.dat again completes it: write fleet.dat"),
                  std::string::npos);
        EXPECT_EQ(rig.LogLines().at(0)[kResult], "differs");
        EXPECT_EQ(rig.LogMessage(0), outcome.message) << "the job's sentence, not the box's";
    }
    {
        CJobRig rig;
        rig.settings.verify = false;
        EXPECT_EQ(rig.Write().result, JobResult::kWritten);
        EXPECT_EQ(rig.line.OpenCount(), 1) << "no read-back";
        EXPECT_EQ(rig.LogLines().at(0)[kResult], "written");
    }
    {
        CJobRig rig;
        rig.settings.verifyWaitMs = 2000;
        // The microphone goes quiet once it has stored the image.
        rig.mic.SetStoredHandler(
            [&]() { rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; })); });
        const CJobOutcome outcome = rig.Write();
        EXPECT_EQ(outcome.result, JobResult::kNotVerified);
        EXPECT_EQ(outcome.message, "Written, not verified: the microphone could not be read back "
                                   "(no answer to the entry into programming mode).");
        EXPECT_EQ(rig.LogLines().at(0)[kResult], "written-not-verified");
        EXPECT_EQ(rig.LogMessage(0), outcome.message);
    }
    {
        CJobRig rig;
        rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.model = "OTHER_01"; }));
        const CJobOutcome outcome = rig.Write();
        EXPECT_EQ(outcome.result, JobResult::kFailed);
        EXPECT_EQ(outcome.message,
                  "Write failed: Check Model Name. The microphone was not changed.");
        const auto line = rig.LogLines().at(0);
        EXPECT_EQ(line[kResult], "failed");
        EXPECT_EQ(line[kModel], "OTHER_01") << "the model that answered";
    }
}

TEST(ProgrammingJob, TheBackupKeepsThePreviousConfiguration)
{
    CJobRig rig;
    rig.settings.backupDir = rig.BackupDir();
    const CVirtualMic::Image previous = rig.mic.GetImage();
    ASSERT_EQ(rig.Write().result, JobResult::kVerified);
    EXPECT_TRUE(rig.MicHoldsStore());

    const auto lines = rig.LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][kOperation], "backup");
    EXPECT_EQ(lines[0][kResult], "read");
    EXPECT_EQ(lines[0][kSha], Sha256Hex(previous.data(), previous.size()));
    EXPECT_EQ(lines[1][kOperation], "write");

    const QStringList files = QDir(QString::fromStdString(rig.BackupDir())).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].endsWith(QStringLiteral("_COM3_PVHM_812.dat"))) << files[0].toStdString();
    EXPECT_EQ(lines[0][kFile], rig.BackupDir() + "/" + files[0].toStdString());
    CConfigStore loaded;
    ForeignProductName foreign{};
    ASSERT_EQ(LoadDataFile(loaded, lines[0][kFile], foreign), DataFile::kLoaded);
    EXPECT_TRUE(std::equal(previous.begin(), previous.end(), loaded.TransferCopy()));
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

    const CJobOutcome outcome = rig.Write();
    EXPECT_EQ(outcome.result, JobResult::kFailed);
    EXPECT_EQ(outcome.message, "Backup failed: Check all connections and COM port settings; the "
                               "microphone was not written.");
    EXPECT_EQ(rig.mic.BlocksStored(), 0);
    EXPECT_EQ(rig.mic.GetImage(), previous);
    EXPECT_EQ(rig.line.OpenCount(), 1);
    const auto lines = rig.LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][kOperation], "backup");
    EXPECT_EQ(lines[0][kResult], "failed");
    EXPECT_FALSE(QDir(QString::fromStdString(rig.BackupDir())).exists() &&
                 !QDir(QString::fromStdString(rig.BackupDir())).isEmpty());
}

// A backup that was read but cannot be saved stops the write as a failed
// read does, and leaves no file in the folder that would pass for one.
TEST(ProgrammingJob, ABackupThatCannotBeSavedWritesNothingAndLeavesNoFile)
{
    const auto expectNothingWritten = [](CJobRig& rig, const CJobOutcome& outcome,
                                         const CVirtualMic::Image& previous) {
        EXPECT_EQ(outcome.result, JobResult::kFailed);
        EXPECT_EQ(outcome.message.rfind("Backup failed: ", 0), 0u) << outcome.message;
        EXPECT_EQ(rig.mic.BlocksStored(), 0);
        EXPECT_EQ(rig.mic.GetImage(), previous);
        EXPECT_EQ(rig.line.OpenCount(), 2) << "the backup's two reads only";
        const auto lines = rig.LogLines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0][kOperation], "backup");
        EXPECT_EQ(lines[0][kResult], "failed");
    };
    {
        // The folder cannot be made: a file stands where it would go.
        CJobRig rig;
        const std::string file = rig.folder.filePath("file").toStdString();
        std::ofstream(file) << "x";
        rig.settings.backupDir = file + "/backups";
        const CVirtualMic::Image previous = rig.mic.GetImage();
        expectNothingWritten(rig, rig.Write(), previous);
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
        const CJobOutcome outcome = rig.Write();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        expectNothingWritten(rig, outcome, previous);
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
        const CJobOutcome outcome = rig.Write();
        EXPECT_EQ(outcome.result, JobResult::kVerified) << outcome.message;
        EXPECT_TRUE(rig.MicHoldsStore());
        EXPECT_EQ(rig.mic.BlocksStored(), 9) << "every block sent once";
        EXPECT_EQ(rig.line.OpenCount(), 6) << "backup, two refused entries, write, read-back";
        EXPECT_EQ(connectionBoxes(rig), 0) << "no box for the attempts that failed";
        const auto lines = rig.LogLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1][kOperation], "write");
        EXPECT_EQ(lines[1][kResult], "verified");
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
        const CJobOutcome outcome = rig.Write();
        EXPECT_EQ(outcome.result, JobResult::kVerified) << outcome.message;
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
        const CJobOutcome outcome = rig.Write();
        EXPECT_EQ(outcome.result, JobResult::kFailed);
        EXPECT_EQ(outcome.message, "Write failed: Check all connections and COM port settings. "
                                   "The microphone was not changed.");
        EXPECT_EQ(rig.mic.BlocksStored(), 0);
        EXPECT_EQ(rig.mic.GetImage(), previous);
        EXPECT_GT(rig.line.OpenCount(), 2) << "the entry was tried again";
        EXPECT_GE(rig.ticks.NowMs() - start, 3000u) << "until the wait ran out";
        EXPECT_EQ(connectionBoxes(rig), 1) << "the final failure, shown once";
        const auto lines = rig.LogLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0][kResult], "read");
        EXPECT_EQ(lines[1][kOperation], "write");
        EXPECT_EQ(lines[1][kResult], "failed");
    }
}

TEST(ProgrammingJob, AConfirmedReadFillsTheStoreAndIsLogged)
{
    {
        CJobRig rig;
        const CJobOutcome outcome = rig.Read();
        EXPECT_EQ(outcome.result, JobResult::kVerified);
        EXPECT_EQ(outcome.message, "Verified: two reads agree.");
        EXPECT_TRUE(rig.MicHoldsStore());
        EXPECT_EQ(rig.LogLines().at(0)[kOperation], "read");
        EXPECT_EQ(rig.LogLines().at(0)[kResult], "verified");
    }
    {
        // The cable drops during the first read.
        CJobRig rig;
        const uint8_t before = rig.store.WorkingImage()[0];
        rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.dropAfterBlock = 6; }));
        const CJobOutcome outcome = rig.Read();
        EXPECT_EQ(outcome.result, JobResult::kFailed);
        EXPECT_EQ(outcome.message, "Read failed: Check all connections and COM port settings.");
        EXPECT_EQ(rig.store.WorkingImage()[0], before) << "a failed read leaves the store";
        EXPECT_EQ(rig.LogLines().at(0)[kResult], "failed");
        EXPECT_EQ(rig.LogLines().at(0)[kSha], "");
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
        EXPECT_EQ(rig.LogLines().at(0)[kResult], "read");
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
    std::string error;
    ASSERT_TRUE(SaveBackup(first, dir, "20240501-101530", "COM3", "PVHM_812", clock, path1, error))
        << error;
    ASSERT_TRUE(SaveBackup(second, dir, "20240501-101530", "COM3", "PVHM_812", clock, path2, error))
        << error;
    EXPECT_NE(path1, path2);
#ifndef _WIN32
    // A backup is a file of the user's as any other: 0666 less the umask.
    const mode_t mask = ::umask(027);
    std::string path3;
    const bool third =
        SaveBackup(first, dir, "20240501-101530", "COM3", "PVHM_812", clock, path3, error);
    ::umask(mask);
    ASSERT_TRUE(third) << error;
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
