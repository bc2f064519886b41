#pragma once
#include "job/LogLayout.h"
#include "job/MicRecord.h"
#include "job/PendingLine.h"
#include "job/VerifiedTransfer.h"
#include "link/Transfer.h"

#include <cstdint>
#include <functional>
#include <string>

class CConfigStore;
class CMicLink;
class CTransferLog;
class ILocalClock;

// What a job is asked to do besides the transfer itself.
class CShopRecord;

struct CJobSettings
{
    static constexpr uint32_t kDefaultVerifyWaitMs = 10000;

    std::string port;     // its canonical name, for the records and the backups' names
    std::string dataFile; // the data file written from or read into
    bool verify = true;   // read back after a write; read more than once
    // How long a microphone that has just left programming mode is given to
    // answer the entry again: the read-back's, and the write's after a backup.
    uint32_t verifyWaitMs = kDefaultVerifyWaitMs;
    std::string backupDir; // read and save before writing; empty: none
    std::string label;     // the microphone's label; empty: none
    int microphone = 1;    // its number on the port in the run
    // The microphone's unit; empty: each microphone gets one of its own.
    std::string unit;
    const CTransferLog* log = nullptr; // a line per operation; nullptr: none
    CShopRecord* record = nullptr;     // the shop's record, a row per operation; nullptr: none
    // Read first, and leave a microphone that already holds the image alone.
    bool skipSame = false;
    // The log's message column for a record: what the front end tells the
    // user of it; empty: the column stays empty.
    std::function<std::string(const CMicRecord& record)> describe;
};

// What a job tells between its transfers.
struct CJobEvent
{
    enum Kind
    {
        kConfirming,  // the read is read again, to confirm it
        kThirdRead,   // the two reads differ: a third decides
        kReadingBack, // the write is read back
        kBackupSaved  // `path` holds what the microphone held
    };
    Kind kind = kConfirming;
    std::string path;
};

// One microphone's read or write as a programming station does it: the
// transfer exactly as the progress window runs it, around it a backup
// before a write, the read-back after it or the repeated read, and a log
// line for each operation. What the transfers tell goes to their view; the
// job's own events to the event observer, its phases to the phase
// observer, and what it did comes back as a record. Before each step the
// line that a stop there would leave is held ready (CPendingLine), so that
// a process that ends at once still logs it.
class CProgrammingJob
{
public:
    using EventObserver = std::function<void(const CJobEvent& event)>;
    using PhaseObserver = std::function<void(JobPhase phase)>;

    // `transfer` runs on `link` and `store`; all must outlive the job.
    // `clock` keys the backup files.
    CProgrammingJob(CMicLink& link, CTransfer& transfer, CConfigStore& store,
                    const ILocalClock& clock, CJobSettings settings);

    void SetEventObserver(EventObserver observer) { m_events = std::move(observer); }
    void SetPhaseObserver(PhaseObserver observer) { m_phase = std::move(observer); }
    // Settings for the jobs that follow (another port, another file).
    void SetSettings(CJobSettings settings) { m_settings = std::move(settings); }
    // The label and number of the microphone that the next job is for.
    void SetMicrophone(int number, std::string label);

    // Reads what the microphone holds now, for a preview before the write;
    // the write that follows takes its backup and its skip from this read
    // instead of reading again. Read once, as the progress window reads;
    // for a backup until two reads agree. False with `failure` set (and
    // logged) when it could not be read.
    bool ReadPresent(CMicRecord& failure);
    // The image of the last ReadPresent or Verify; nullptr before one.
    const MicImage* PresentImage() const { return m_hasPresent ? &m_present : nullptr; }

    // Writes the store's working image. When a backup or the skip is asked,
    // the microphone is read first (unless ReadPresent just did): one that
    // already holds the image is left alone (kUnchanged); else what it held
    // is saved as the backup (a backup that fails writes nothing, and its
    // record is the microphone's). Then the write, then the read-back when
    // asked. After that first read the write's entry into programming mode
    // is tried again for up to the verification wait, as the read-back's
    // is. A write that broke off says what the microphone holds and the way
    // back. Logs the backup and the write.
    CMicRecord Write();

    // Reads the microphone until two reads agree and compares what it holds
    // with the store's working image: kSame, kHoldsOther or kFailed. Writes
    // nothing; logs the check.
    CMicRecord Verify();

    // Reads into the store: once, as the progress window does, or, with
    // verification, until two reads agree (ReadConfirmed). The store's
    // working image and saved copy change only on success. Logs nothing:
    // the caller logs with LogRead once the file is saved.
    CMicRecord Read();
    // Logs `record`, the last Read's (which may have become a failure to
    // save); its image is the store's working image when it succeeded.
    void LogRead(CMicRecord& record);

    // False once a log line could not be written.
    bool LogWritten() const { return m_logReason.empty(); }

private:
    // The record of an operation that begins now: the clock, the time, the
    // identification of the last session cleared.
    CMicRecord Begin(Operation operation);
    // Ends the record: the microphone's identification and device, the
    // duration, the log line.
    void Finish(CMicRecord& record, bool logged = true);
    void Log(CMicRecord& record);
    // Holds the line that a stop now would leave: `record` interrupted.
    void HoldInterrupted(CMicRecord record, JobStage stage, Holds holds);
    void EnterPhase(JobPhase phase) const;
    void Tell(CJobEvent::Kind kind, const std::string& path = {}) const;
    // The record's stage, cause and holds after a session that failed.
    void SessionFailed(CMicRecord& record, const CSessionResult& session, bool writing) const;
    // A read that came to no image: confirmed reads that disagree, or a
    // session that failed.
    void ReadFailed(CMicRecord& record, const CConfirmedRead& confirmed) const;
    // Reads until two reads agree, telling each read after the first.
    CConfirmedRead ReadUntilAgreed();
    // Saves the present image as the backup; false (logged) when the write
    // must not go on.
    bool SaveBackupOfPresent(CMicRecord& failure);
    // What a write that broke off after its first block leaves: part of
    // each, and the way back.
    void BrokenOff(CMicRecord& record) const;
    CMicRecord WriteImage();
    void VerifyWrite(const MicImage& written, CMicRecord& record);
    std::string NewUnit() const;

    CMicLink& m_link;
    CTransfer& m_transfer;
    CConfigStore& m_store;
    const ILocalClock& m_clock;
    CJobSettings m_settings;
    EventObserver m_events;
    PhaseObserver m_phase;
    std::string m_unit;
    std::string m_stamp;
    uint32_t m_startMs = 0;
    std::string m_logReason;
    MicImage m_present{};
    bool m_hasPresent = false;
    CMicRecord m_presentRecord; // the read that m_present came from
    std::string m_backupPath;
    CPendingLine m_pending;
    LogVersion m_logVersion = kNewestLog; // of the log, as the operation began
    bool m_logUsable = false;             // a log is asked and is a log
};
