#include "link/ProgrammingJob.h"

#include "core/ConfigStore.h"
#include "link/MicBackup.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "link/Transfer.h"
#include "link/TransferLog.h"
#include "text/TextCatalog.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr std::size_t kModelOffset = 0;
constexpr std::size_t kVersionOffset = Wire::kModelIdSize;
constexpr std::size_t kVersionSize = 8;
static_assert(kVersionOffset + kVersionSize <= Wire::kIdBufferSize, "version in the buffer");
constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';

std::string PrintableField(const uint8_t* bytes, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c >= kFirstPrintable && c <= kLastPrintable)
            text += c;
    }
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

MicImage ImageOf(const uint8_t* bytes)
{
    MicImage image{};
    std::memcpy(image.data(), bytes, image.size());
    return image;
}

std::string AbsolutePath(const std::string& path)
{
    return QDir::cleanPath(QFileInfo(QString::fromStdString(path)).absoluteFilePath())
        .toStdString();
}

std::string ImageHash(const MicImage& image)
{
    return Sha256Hex(image.data(), image.size());
}

// Why a confirmed read came to no image: "three reads disagree; blocks 2
// and 5 kept changing".
std::string UnsettledText(const CConfirmedRead& confirmed)
{
    return "three reads disagree; " + BlockListText(confirmed.changingBlocks) + " kept changing";
}

} // namespace

std::string RecordModelText(const uint8_t* record)
{
    return PrintableField(record + kModelOffset, Wire::kModelIdSize);
}

std::string RecordVersionText(const uint8_t* record)
{
    return PrintableField(record + kVersionOffset, kVersionSize);
}

CProgrammingJob::CProgrammingJob(CMicLink& link, CTransfer& transfer, CConfigStore& store,
                                 const ILocalClock& clock, CJobSettings settings)
    : m_link(link), m_transfer(transfer), m_store(store), m_clock(clock),
      m_settings(std::move(settings))
{
}

void CProgrammingJob::EnterPhase(JobPhase phase) const
{
    if (m_phase)
        m_phase(phase);
}

bool CProgrammingJob::Transferred(bool moved, CJobOutcome& outcome) const
{
    outcome.session = m_transfer.LastSession();
    if (m_transfer.LastNotice().told)
        outcome.notice = m_transfer.LastNotice();
    m_transfer.ClearNotice();
    return moved;
}

std::string CProgrammingJob::NoticeClause(const CJobOutcome& outcome) const
{
    std::string text =
        m_transfer.Texts().GetText(TransferMessageId(outcome.notice.mode, outcome.notice.session));
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

void CProgrammingJob::Notify(const std::string& text) const
{
    if (m_notice)
        m_notice(text);
}

void CProgrammingJob::Begin()
{
    m_time = IsoLocalTimeNow();
    m_stamp = FileTimeStampNow();
    m_startMs = m_link.Ticks().NowMs();
    m_link.ClearIdRecord();
}

void CProgrammingJob::Log(const char* operation, const CJobOutcome& outcome,
                          const std::string& file, const std::string& sha256)
{
    if (!m_settings.log)
        return;
    const uint8_t* record = m_link.GetIdRecord().data();
    CLogRecord line;
    line.time = m_time;
    line.port = m_settings.port;
    line.device = m_link.OpenName();
    line.model = RecordModelText(record);
    line.version = RecordVersionText(record);
    line.operation = operation;
    // A log outlives the folder it was written from: its files are named
    // in full.
    line.file = file.empty() ? file : AbsolutePath(file);
    line.sha256 = sha256;
    line.result = JobResultName(outcome.result);
    line.message = outcome.message;
    line.durationMs = m_link.Ticks().NowMs() - m_startMs;
    line.label = m_settings.label;
    std::string error;
    if (!m_settings.log->Append(line, error) && m_logError.empty())
        m_logError = m_settings.log->Path() + ": " + error;
}

bool CProgrammingJob::ReadPresent(CJobOutcome& failure)
{
    Begin();
    const bool backup = !m_settings.backupDir.empty();
    EnterPhase(backup ? JobPhase::kBackup : JobPhase::kReading);
    m_hasPresent = false;
    CJobOutcome outcome;
    // A backup is only worth keeping when it is right: a read whose damage
    // keeps the block's sum, or that a flipped address bit answered with
    // another block, is caught by a second read. A preview or the skip
    // needs one read: at worst a microphone is written that needed not be.
    CConfirmedRead confirmed;
    if (backup) {
        confirmed = ReadUntilAgreed(outcome);
    } else if (Transferred(m_transfer.Move(TransferMode::Read).Ok(), outcome)) {
        confirmed.status = CConfirmedRead::kConfirmed;
        confirmed.image = ImageOf(m_store.TransferCopy());
    }
    if (confirmed.status != CConfirmedRead::kConfirmed) {
        const std::string why = confirmed.status == CConfirmedRead::kUnsettled
                                    ? UnsettledText(confirmed)
                                    : NoticeClause(outcome);
        if (outcome.session.interrupted) {
            outcome.result = JobResult::kInterrupted;
            outcome.recovery = Recovery(false);
            outcome.message = std::string("Interrupted") +
                              (backup ? " before the backup was saved." : ".") + outcome.recovery;
            if (backup)
                Log("backup", outcome, {}, {});
            else
                Log("write", outcome, m_settings.dataFile,
                    ImageHash(ImageOf(m_store.WorkingImage())));
        } else if (backup) {
            outcome.message = "Backup failed: " + why + "; the microphone was not written.";
            Log("backup", outcome, {}, {});
        } else {
            outcome.recovery = Recovery(false);
            outcome.message = "Write failed: the microphone could not be read first (" + why +
                              ")." + outcome.recovery;
            Log("write", outcome, m_settings.dataFile, ImageHash(ImageOf(m_store.WorkingImage())));
        }
        failure = outcome;
        return false;
    }
    m_present = confirmed.image;
    m_hasPresent = true;
    return true;
}

bool CProgrammingJob::SaveBackupOfPresent(CJobOutcome& failure)
{
    CJobOutcome outcome;
    std::string path;
    std::string error;
    if (!SaveBackup(m_present, m_settings.backupDir, m_stamp, m_settings.port,
                    RecordModelText(m_link.GetIdRecord().data()), m_clock, path, error,
                    m_settings.label)) {
        outcome.message = "Backup failed: " + error + "; the microphone was not written.";
        Log("backup", outcome, {}, ImageHash(m_present));
        failure = outcome;
        return false;
    }
    m_backupPath = path;
    outcome.result = JobResult::kRead;
    outcome.message = "The microphone's configuration was saved as " + path + ".";
    Log("backup", outcome, path, ImageHash(m_present));
    Notify(outcome.message);
    return true;
}

std::string CProgrammingJob::Recovery(bool writeBegan) const
{
    if (!writeBegan)
        return " The microphone was not changed.";
    const std::string text =
        " The microphone may now hold part of the new configuration and part of the old.";
    const auto& command = m_settings.writeCommand;
    if (!m_backupPath.empty())
        return text + " Its configuration from before was saved as " + m_backupPath +
               (command ? "; to write it back: " + command(m_backupPath) : std::string("."));
    return text + " Writing " + m_settings.dataFile + " again completes it" +
           (command ? ": " + command(m_settings.dataFile) : std::string("."));
}

CJobOutcome CProgrammingJob::Write()
{
    m_backupPath.clear();
    const CJobOutcome outcome = WriteImage();
    // The next microphone is read anew.
    m_hasPresent = false;
    return outcome;
}

CJobOutcome CProgrammingJob::WriteImage()
{
    CJobOutcome outcome;
    const bool backup = !m_settings.backupDir.empty();
    const bool readFirst = backup || m_settings.skipSame || m_hasPresent;
    if (readFirst && !m_hasPresent && !ReadPresent(outcome))
        return outcome;
    const MicImage written = ImageOf(m_store.WorkingImage());
    if (m_settings.skipSame && CompareImages(m_present, written).Equal()) {
        outcome.result = JobResult::kUnchanged;
        outcome.message = "Unchanged: the microphone already holds the configuration.";
        Log("write", outcome, m_settings.dataFile, ImageHash(written));
        return outcome;
    }
    if (backup && !SaveBackupOfPresent(outcome))
        return outcome;
    Begin();
    EnterPhase(JobPhase::kWriting);
    // The first read has just ended programming mode, and the microphone
    // may need a moment before it answers the entry again.
    CRetryWindow retry(m_link.Ticks(), m_settings.verifyWaitMs);
    if (readFirst)
        m_transfer.SetEntryRetry([&retry] { return retry.PauseForRetry(); });
    const bool ok = Transferred(m_transfer.Run(TransferMode::Write), outcome);
    m_transfer.SetEntryRetry({});
    if (!ok) {
        outcome.recovery = Recovery(outcome.session.WriteBegan());
        if (outcome.session.interrupted) {
            outcome.result = JobResult::kInterrupted;
            outcome.message = "Interrupted." + outcome.recovery;
        } else {
            outcome.message = "Write failed: " + NoticeClause(outcome) + "." + outcome.recovery;
        }
    } else if (!m_settings.verify) {
        outcome.result = JobResult::kWritten;
        outcome.message = "Written, not read back.";
    } else {
        const CJobOutcome verified = VerifyWrite(written);
        outcome.result = verified.result;
        outcome.message = verified.message;
        if (verified.result == JobResult::kDiffers) {
            outcome.recovery = Recovery(true);
            outcome.message += outcome.recovery;
        }
    }
    Log("write", outcome, m_settings.dataFile, ImageHash(written));
    return outcome;
}

CConfirmedRead CProgrammingJob::ReadUntilAgreed(CJobOutcome& outcome)
{
    int reads = 0;
    const CConfirmedRead confirmed = ReadConfirmed([&](MicImage& image) {
        // The read before has just ended programming mode: a microphone
        // that needs a moment gets the read-back's wait for its entry.
        CRetryWindow retry(m_link.Ticks(), m_settings.verifyWaitMs);
        if (++reads > 1) {
            Notify(reads == 2 ? "Reading again to confirm."
                              : "The two reads differ; reading a third time.");
            m_transfer.SetEntryRetry([&retry] { return retry.PauseForRetry(); });
        }
        const bool read = Transferred(m_transfer.Move(TransferMode::Read).Ok(), outcome);
        m_transfer.SetEntryRetry({});
        if (read)
            image = ImageOf(m_store.TransferCopy());
        return read;
    });
    return confirmed;
}

CJobOutcome CProgrammingJob::Verify()
{
    Begin();
    EnterPhase(JobPhase::kReading);
    m_hasPresent = false;
    CJobOutcome outcome;
    const MicImage file = ImageOf(m_store.WorkingImage());
    const CConfirmedRead confirmed = ReadUntilAgreed(outcome);
    switch (confirmed.status) {
    case CConfirmedRead::kConfirmed: {
        m_present = confirmed.image;
        m_hasPresent = true;
        const CImageDiff diff = CompareImages(m_present, file);
        if (diff.Equal()) {
            outcome.result = JobResult::kSame;
            outcome.message =
                "Same: the microphone holds the configuration of " + m_settings.dataFile + ".";
        } else {
            outcome.result = JobResult::kHoldsOther;
            outcome.message = "Differs: the microphone holds another configuration than " +
                              m_settings.dataFile + " (" + BlockListText(diff.blocks) + ").";
        }
        break;
    }
    case CConfirmedRead::kUnsettled:
        outcome.message = "Not confirmed: " + UnsettledText(confirmed) + ".";
        break;
    case CConfirmedRead::kFailed:
        if (outcome.session.interrupted) {
            outcome.result = JobResult::kInterrupted;
            outcome.message = "Interrupted: not checked.";
        } else {
            outcome.message = "Verify failed: " + NoticeClause(outcome) + ".";
        }
        break;
    }
    Log("verify", outcome, m_settings.dataFile, ImageHash(file));
    return outcome;
}

CJobOutcome CProgrammingJob::VerifyWrite(const MicImage& written)
{
    EnterPhase(JobPhase::kVerifying);
    Notify("Reading the microphone back to verify.");
    const CVerifyResult verify = VerifyWritten(m_link, written, m_settings.verifyWaitMs,
                                               [&](int n) { m_transfer.ShowProgress(n); });
    CJobOutcome outcome;
    switch (verify.status) {
    case CVerifyResult::kVerified:
        outcome.result = JobResult::kVerified;
        outcome.message = "Verified: the microphone holds the image written.";
        break;
    case CVerifyResult::kDiffers:
        outcome.result = JobResult::kDiffers;
        outcome.message = "Written but differs: " + BlockListText(verify.diff.blocks) +
                          (verify.diff.blocks.size() == 1 ? " differs" : " differ") +
                          " from the image written, first at offset " +
                          OffsetText(verify.diff.firstOffset) + ".";
        break;
    case CVerifyResult::kNotRead:
        if (verify.lastRead.interrupted) {
            outcome.result = JobResult::kInterrupted;
            outcome.message = "Interrupted during the read-back: written, not verified.";
            break;
        }
        outcome.result = JobResult::kNotVerified;
        outcome.message = "Written, not verified: the microphone could not be read back (" +
                          std::string(SessionStageText(verify.lastRead.stage)) + ").";
        break;
    }
    return outcome;
}

CJobOutcome CProgrammingJob::Read()
{
    Begin();
    EnterPhase(JobPhase::kReading);
    CJobOutcome outcome;
    if (!m_settings.verify) {
        if (Transferred(m_transfer.Run(TransferMode::Read), outcome)) {
            outcome.result = JobResult::kRead;
            outcome.message = "Read.";
        } else {
            ReadFailed(outcome);
        }
        return outcome;
    }
    const CConfirmedRead confirmed = ReadUntilAgreed(outcome);
    switch (confirmed.status) {
    case CConfirmedRead::kConfirmed:
        std::memcpy(m_store.TransferCopy(), confirmed.image.data(), confirmed.image.size());
        m_store.TransferToImage();
        m_store.ImageToSaved();
        m_transfer.Complete(TransferMode::Read);
        Transferred(true, outcome);
        outcome.result = JobResult::kVerified;
        outcome.message = confirmed.reads == 2
                              ? "Verified: two reads agree."
                              : "Verified: the third read agrees with one of the first two.";
        break;
    case CConfirmedRead::kUnsettled:
        outcome.message = "Not confirmed: " + UnsettledText(confirmed) + ".";
        break;
    case CConfirmedRead::kFailed:
        ReadFailed(outcome);
        break;
    }
    return outcome;
}

void CProgrammingJob::ReadFailed(CJobOutcome& outcome) const
{
    if (outcome.session.interrupted) {
        outcome.result = JobResult::kInterrupted;
        outcome.message =
            "Interrupted: " + m_settings.dataFile + " was not written." + Recovery(false);
    } else {
        outcome.message = "Read failed: " + NoticeClause(outcome) + ".";
    }
}

void CProgrammingJob::LogRead(const CJobOutcome& outcome)
{
    const bool read =
        outcome.result != JobResult::kFailed && outcome.result != JobResult::kInterrupted;
    Log("read", outcome, m_settings.dataFile,
        read ? ImageHash(ImageOf(m_store.WorkingImage())) : std::string());
}
