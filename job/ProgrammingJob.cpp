#include "job/ProgrammingJob.h"

#include "job/ShopRecord.h"

#include "core/ConfigStore.h"
#include "job/LogLayout.h"
#include "job/MicBackup.h"
#include "job/TransferLog.h"
#include "link/MicLink.h"
#include "link/TickClock.h"

#include <QRandomGenerator>

#include <cstdio>
#include <cstring>

namespace {

MicImage ImageOf(const uint8_t* bytes)
{
    MicImage image{};
    std::memcpy(image.data(), bytes, image.size());
    return image;
}

std::string ImageHash(const MicImage& image)
{
    return Sha256Hex(image.data(), image.size());
}

} // namespace

CProgrammingJob::CProgrammingJob(CMicLink& link, CTransfer& transfer, CConfigStore& store,
                                 const ILocalClock& clock, CJobSettings settings)
    : m_link(link), m_transfer(transfer), m_store(store), m_clock(clock),
      m_settings(std::move(settings))
{
}

void CProgrammingJob::SetMicrophone(int number, std::string label)
{
    m_settings.microphone = number;
    m_settings.label = std::move(label);
}

std::string CProgrammingJob::NewUnit() const
{
    if (!m_settings.unit.empty())
        return m_settings.unit;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(QRandomGenerator::global()->generate64()));
    return std::string(text, 12);
}

void CProgrammingJob::EnterPhase(JobPhase phase) const
{
    if (m_phase)
        m_phase(phase);
}

void CProgrammingJob::Tell(CJobEvent::Kind kind, const std::string& path) const
{
    if (m_events)
        m_events({kind, path});
}

CMicRecord CProgrammingJob::Begin(Operation operation)
{
    // The log's version, known before any session: the lines held for a
    // stop are made without touching the file during a transfer.
    m_logVersion = kNewestLog;
    m_logUsable = m_settings.log &&
                  InspectLog(m_settings.log->Path(), m_logVersion) != LogFileState::kNotALog;
    m_stamp = FileTimeStampNow();
    m_startMs = m_link.Ticks().NowMs();
    m_link.ClearIdRecord();
    CMicRecord record;
    record.operation = operation;
    record.port = m_settings.port;
    record.microphone = m_settings.microphone;
    record.unit = m_unit;
    record.label = m_settings.label;
    record.file = m_settings.dataFile;
    record.time = IsoLocalTimeNow();
    return record;
}

void CProgrammingJob::Finish(CMicRecord& record, bool logged)
{
    const uint8_t* id = m_link.GetIdRecord().data();
    record.model = RecordModelText(id);
    record.version = RecordVersionText(id);
    record.device = m_link.OpenName();
    record.durationMs = m_link.Ticks().NowMs() - m_startMs;
    if (logged)
        Log(record);
}

void CProgrammingJob::Log(CMicRecord& record)
{
    // The line about to be written stands in for the one held; once a stop
    // that ends the process has written that one, nothing more is written.
    if (!m_pending.Release() || (!m_settings.log && !m_settings.record))
        return;
    const std::string message = m_settings.describe ? m_settings.describe(record) : std::string();
    if (m_settings.record)
        m_settings.record->Keep(record, message);
    if (!m_settings.log)
        return;
    std::string reason;
    bool notALog = false;
    if (m_settings.log->Append(record, message, reason, notALog))
        return;
    record.logged = false;
    record.logPath = m_settings.log->Path();
    // No reason: the file is no log of this tool.
    record.logReason = notALog ? std::string() : reason;
    m_logReason = record.logReason.empty() ? record.logPath : record.logReason;
}

void CProgrammingJob::HoldInterrupted(CMicRecord record, JobStage stage, Holds holds)
{
    if (!m_logUsable)
        return;
    record.result = JobResult::kInterrupted;
    record.stage = stage;
    record.cause = {};
    record.cause.kind = CauseKind::kInterrupted;
    if (holds == Holds::kPartOfEach)
        BrokenOff(record);
    else
        record.holds = holds;
    const uint8_t* id = m_link.GetIdRecord().data();
    record.model = RecordModelText(id);
    record.version = RecordVersionText(id);
    record.device = m_link.OpenName();
    record.durationMs = m_link.Ticks().NowMs() - m_startMs;
    const std::string message = m_settings.describe ? m_settings.describe(record) : std::string();
    m_pending.Hold(m_settings.log->Path(), LogHeader(m_logVersion) + "\r\n",
                   CsvLine(LogFields(record, message, m_logVersion)));
}

void CProgrammingJob::SessionFailed(CMicRecord& record, const CSessionResult& session,
                                    bool writing) const
{
    record.result = session.interrupted ? JobResult::kInterrupted : JobResult::kFailed;
    record.stage = StageOf(session.stage);
    record.cause = CauseOfSession(session, writing, m_link.OpenName(), m_link.LastOpenFailure());
}

void CProgrammingJob::ReadFailed(CMicRecord& record, const CConfirmedRead& confirmed) const
{
    record.holds = Holds::kAsItWas;
    if (confirmed.status != CConfirmedRead::kUnsettled) {
        SessionFailed(record, m_transfer.LastSession(), false);
        return;
    }
    record.result = JobResult::kFailed;
    record.stage = JobStage::kConfirm;
    record.cause.kind = CauseKind::kReadsDisagree;
    record.cause.blocks = confirmed.changingBlocks;
}

void CProgrammingJob::BrokenOff(CMicRecord& record) const
{
    record.holds = Holds::kPartOfEach;
    record.wayBack.backup = !m_backupPath.empty();
    record.wayBack.file = record.wayBack.backup ? m_backupPath : m_settings.dataFile;
    record.wayBack.port = m_settings.port;
}

bool CProgrammingJob::ReadPresent(CMicRecord& failure)
{
    m_unit = NewUnit();
    const bool backup = !m_settings.backupDir.empty();
    EnterPhase(backup ? JobPhase::kBackup : JobPhase::kReading);
    m_hasPresent = false;
    CMicRecord record = Begin(backup ? Operation::kBackup : Operation::kWrite);
    if (backup)
        record.file.clear();
    else
        record.sha256 = ImageHash(ImageOf(m_store.WorkingImage()));
    HoldInterrupted(record, JobStage::kPort, Holds::kAsItWas);
    // A backup is only worth keeping when it is right: a read whose damage
    // keeps the block's sum, or that a flipped address bit answered with
    // another block, is caught by a second read. A preview or the skip
    // needs one read: at worst a microphone is written that needed not be.
    CConfirmedRead confirmed;
    if (backup) {
        confirmed = ReadUntilAgreed();
    } else if (m_transfer.Move(TransferMode::Read).Ok()) {
        confirmed.status = CConfirmedRead::kConfirmed;
        confirmed.image = ImageOf(m_store.TransferCopy());
        confirmed.reads = 1;
    }
    record.reads = confirmed.reads;
    if (confirmed.status != CConfirmedRead::kConfirmed) {
        ReadFailed(record, confirmed);
        Finish(record);
        failure = record;
        return false;
    }
    // Nothing was written: a stop from here on leaves no line until the
    // next step holds one.
    m_pending.Release();
    m_present = confirmed.image;
    m_hasPresent = true;
    m_presentRecord = record;
    return true;
}

bool CProgrammingJob::SaveBackupOfPresent(CMicRecord& failure)
{
    CMicRecord record = m_presentRecord;
    record.operation = Operation::kBackup;
    record.sha256 = ImageHash(m_present);
    std::string path;
    CBackupFailure problem;
    if (!SaveBackup(m_present, m_settings.backupDir, m_stamp, m_settings.port,
                    RecordModelText(m_link.GetIdRecord().data()), m_clock, path, problem,
                    m_settings.label)) {
        record.result = JobResult::kFailed;
        record.stage = JobStage::kSaveBackup;
        record.cause.kind = problem.folder ? CauseKind::kBackupFolder : CauseKind::kBackupFile;
        record.cause.path = problem.path;
        record.cause.error = problem.error;
        Finish(record);
        failure = record;
        return false;
    }
    m_backupPath = path;
    record.result = JobResult::kRead;
    record.stage = JobStage::kDone;
    record.file = path;
    Finish(record);
    Tell(CJobEvent::kBackupSaved, path);
    return true;
}

CMicRecord CProgrammingJob::Write()
{
    m_backupPath.clear();
    const CMicRecord record = WriteImage();
    // The next microphone is read anew.
    m_hasPresent = false;
    return record;
}

CMicRecord CProgrammingJob::WriteImage()
{
    const bool backup = !m_settings.backupDir.empty();
    const bool readFirst = backup || m_settings.skipSame || m_hasPresent;
    if (!readFirst)
        m_unit = NewUnit();
    CMicRecord failure;
    if (readFirst && !m_hasPresent && !ReadPresent(failure))
        return failure;
    const MicImage written = ImageOf(m_store.WorkingImage());
    if (m_settings.skipSame && CompareImages(m_present, written).Equal()) {
        CMicRecord record = m_presentRecord;
        record.operation = Operation::kWrite;
        record.file = m_settings.dataFile;
        record.result = JobResult::kUnchanged;
        record.stage = JobStage::kDone;
        record.sha256 = ImageHash(written);
        Finish(record);
        return record;
    }
    if (backup && !SaveBackupOfPresent(failure))
        return failure;
    CMicRecord record = Begin(Operation::kWrite);
    record.sha256 = ImageHash(written);
    record.backupFile = m_backupPath;
    EnterPhase(JobPhase::kWriting);
    HoldInterrupted(record, JobStage::kPort, Holds::kAsItWas);
    // The first read has just ended programming mode, and the microphone
    // may need a moment before it answers the entry again.
    CRetryWindow retry(m_link.Ticks(), m_settings.verifyWaitMs);
    if (readFirst)
        m_transfer.SetEntryRetry([&retry] { return retry.PauseForRetry(); });
    // From the first block on, a stop leaves part of each.
    m_transfer.SetBlockObserver([&](int n) {
        if (n == 1)
            HoldInterrupted(record, JobStage::kBlock, Holds::kPartOfEach);
    });
    const bool ok = m_transfer.Run(TransferMode::Write);
    m_transfer.SetEntryRetry({});
    m_transfer.SetBlockObserver({});
    if (!ok) {
        const CSessionResult& session = m_transfer.LastSession();
        SessionFailed(record, session, true);
        if (session.WriteBegan())
            BrokenOff(record);
    } else if (!m_settings.verify) {
        record.result = JobResult::kWritten;
        record.stage = JobStage::kDone;
        record.holds = Holds::kNew;
    } else {
        VerifyWrite(written, record);
    }
    Finish(record);
    return record;
}

CConfirmedRead CProgrammingJob::ReadUntilAgreed()
{
    int reads = 0;
    return ReadConfirmed([&](MicImage& image) {
        // The read before has just ended programming mode: a microphone
        // that needs a moment gets the read-back's wait for its entry.
        CRetryWindow retry(m_link.Ticks(), m_settings.verifyWaitMs);
        if (++reads > 1) {
            Tell(reads == 2 ? CJobEvent::kConfirming : CJobEvent::kThirdRead);
            m_transfer.SetEntryRetry([&retry] { return retry.PauseForRetry(); });
        }
        const bool read = m_transfer.Move(TransferMode::Read).Ok();
        m_transfer.SetEntryRetry({});
        if (read)
            image = ImageOf(m_store.TransferCopy());
        return read;
    });
}

CMicRecord CProgrammingJob::Verify()
{
    m_unit = NewUnit();
    EnterPhase(JobPhase::kReading);
    m_hasPresent = false;
    const MicImage file = ImageOf(m_store.WorkingImage());
    CMicRecord record = Begin(Operation::kVerify);
    record.sha256 = ImageHash(file);
    HoldInterrupted(record, JobStage::kPort, Holds::kAsItWas);
    const CConfirmedRead confirmed = ReadUntilAgreed();
    record.reads = confirmed.reads;
    if (confirmed.status == CConfirmedRead::kConfirmed) {
        m_present = confirmed.image;
        m_hasPresent = true;
        m_presentRecord = record;
        const CImageDiff diff = CompareImages(m_present, file);
        record.stage = JobStage::kDone;
        record.result = diff.Equal() ? JobResult::kSame : JobResult::kHoldsOther;
        if (!diff.Equal()) {
            record.cause.kind = CauseKind::kOtherConfiguration;
            record.cause.blocks = diff.blocks;
            record.cause.offset = diff.firstOffset;
        }
    } else {
        ReadFailed(record, confirmed);
    }
    Finish(record);
    return record;
}

void CProgrammingJob::VerifyWrite(const MicImage& written, CMicRecord& record)
{
    EnterPhase(JobPhase::kVerifying);
    Tell(CJobEvent::kReadingBack);
    HoldInterrupted(record, JobStage::kReadBack, Holds::kNotKnown);
    const CVerifyResult verify = VerifyWritten(m_link, written, m_settings.verifyWaitMs,
                                               [&](int n) { m_transfer.ShowProgress(n); });
    switch (verify.status) {
    case CVerifyResult::kVerified:
        record.result = JobResult::kVerified;
        record.stage = JobStage::kDone;
        record.holds = Holds::kNew;
        break;
    case CVerifyResult::kDiffers:
        record.result = JobResult::kDiffers;
        record.stage = JobStage::kDone;
        record.cause.kind = CauseKind::kImageDiffers;
        record.cause.blocks = verify.diff.blocks;
        record.cause.offset = verify.diff.firstOffset;
        BrokenOff(record);
        break;
    case CVerifyResult::kNotRead:
        record.stage = JobStage::kReadBack;
        record.holds = Holds::kNotKnown;
        if (verify.lastRead.interrupted) {
            record.result = JobResult::kInterrupted;
            record.cause.kind = CauseKind::kInterrupted;
            break;
        }
        record.result = JobResult::kNotVerified;
        record.cause.kind = CauseKind::kNotReadBack;
        record.cause.readBackStage = verify.lastRead.stage;
        break;
    }
}

CMicRecord CProgrammingJob::Read()
{
    m_unit = NewUnit();
    EnterPhase(JobPhase::kReading);
    CMicRecord record = Begin(Operation::kRead);
    HoldInterrupted(record, JobStage::kPort, Holds::kAsItWas);
    if (!m_settings.verify) {
        if (m_transfer.Run(TransferMode::Read)) {
            record.result = JobResult::kRead;
            record.stage = JobStage::kDone;
            HoldInterrupted(record, JobStage::kSave, Holds::kAsItWas);
        } else {
            ReadFailed(record, {});
        }
        Finish(record, false);
        return record;
    }
    const CConfirmedRead confirmed = ReadUntilAgreed();
    record.reads = confirmed.reads;
    if (confirmed.status == CConfirmedRead::kConfirmed) {
        std::memcpy(m_store.TransferCopy(), confirmed.image.data(), confirmed.image.size());
        m_store.TransferToImage();
        m_store.ImageToSaved();
        m_transfer.Complete(TransferMode::Read);
        record.result = JobResult::kVerified;
        record.stage = JobStage::kDone;
        // The saving of the file comes next: a stop there leaves its own.
        HoldInterrupted(record, JobStage::kSave, Holds::kAsItWas);
    } else {
        ReadFailed(record, confirmed);
    }
    Finish(record, false);
    return record;
}

void CProgrammingJob::LogRead(CMicRecord& record)
{
    const bool read =
        record.result != JobResult::kFailed && record.result != JobResult::kInterrupted;
    record.sha256 = read ? ImageHash(ImageOf(m_store.WorkingImage())) : std::string();
    Log(record);
}
