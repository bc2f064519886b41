#pragma once
#include "link/JobResult.h"
#include "link/Session.h"
#include "link/Transfer.h"
#include "link/VerifiedTransfer.h"

#include <cstdint>
#include <functional>
#include <string>

class CConfigStore;
class CMicLink;
class CTransferLog;
class ILocalClock;

struct CJobOutcome
{
    JobResult result = JobResult::kFailed;
    std::string message; // one sentence for the user and the log
    // The part of `message` that says what state a failed write left the
    // microphone in and how to get back; empty for other outcomes.
    std::string recovery;
    // What the job's transfers told last (what the progress window would
    // have said last); `told` false when they told nothing.
    CTransferNotice notice;
    // How the job's last transfer session went.
    CSessionResult session;
};

// What a job is asked to do besides the transfer itself.
struct CJobSettings
{
    static constexpr uint32_t kDefaultVerifyWaitMs = 10000;

    std::string port;     // as the user named it, for the log and backup names
    std::string dataFile; // the data file written from or read into
    bool verify = true;   // read back after a write; read more than once
    // How long a microphone that has just left programming mode is given to
    // answer the entry again: the read-back's, and the write's after a backup.
    uint32_t verifyWaitMs = kDefaultVerifyWaitMs;
    std::string backupDir; // read and save before writing; empty: none
    std::string label;     // the microphone's label, for the log and backup; empty: none
    const CTransferLog* log = nullptr; // a line per transfer; nullptr: none
    // Read first, and leave a microphone that already holds the image alone.
    bool skipSame = false;
    // The command that writes a data file (the backup, or the data file
    // again) to this port, for the way back after a broken write; empty:
    // the way back is said in words only.
    std::function<std::string(const std::string& file)> writeCommand;
};

// One microphone's read or write as a programming station does it: the
// transfer exactly as the progress window runs it, around it a backup
// before a write, the read-back after it or the repeated read, and a log
// line for each transfer. What the transfers tell goes to their view; the
// job's own sentences go to the notice, its phases to the phase observer,
// and its outcome is built from the sessions' results.
class CProgrammingJob
{
public:
    using Notice = std::function<void(const std::string& text)>;
    using PhaseObserver = std::function<void(JobPhase phase)>;

    // `transfer` runs on `link` and `store`; all must outlive the job.
    // `clock` keys the backup files.
    CProgrammingJob(CMicLink& link, CTransfer& transfer, CConfigStore& store,
                    const ILocalClock& clock, CJobSettings settings);

    void SetNotice(Notice notice) { m_notice = std::move(notice); }
    void SetPhaseObserver(PhaseObserver observer) { m_phase = std::move(observer); }
    // Settings for the jobs that follow (another port, another file).
    void SetSettings(CJobSettings settings) { m_settings = std::move(settings); }
    // The label of the microphone that the next job is for; empty: none.
    void SetLabel(std::string label) { m_settings.label = std::move(label); }

    // Reads what the microphone holds now, for a preview before the write;
    // the write that follows takes its backup and its skip from this read
    // instead of reading again. Read once, as the progress window reads;
    // for a backup until two reads agree. False with `failure` set (and logged) when it could not
    // be read.
    bool ReadPresent(CJobOutcome& failure);
    // The image of the last ReadPresent or Verify; nullptr before one.
    const MicImage* PresentImage() const { return m_hasPresent ? &m_present : nullptr; }

    // Writes the store's working image. When a backup or the skip is asked,
    // the microphone is read first (unless ReadPresent just did): one that
    // already holds the image is left alone (kUnchanged); else what it held
    // is saved as the backup (a backup that fails writes nothing). Then the
    // write, then the read-back when asked. After that first read the
    // write's entry into programming mode is tried again for up to the
    // verification wait, as the read-back's is. A write that fails (or
    // differs) says in its sentence what the microphone may now hold and
    // how to get back. Logs the backup and the write.
    CJobOutcome Write();

    // Reads the microphone until two reads agree and compares what it holds
    // with the store's working image: kSame, kHoldsOther or kFailed. Writes
    // nothing; logs the check.
    CJobOutcome Verify();

    // Reads into the store: once, as the progress window does, or, with
    // verification, until two reads agree (ReadConfirmed). The store's
    // working image and saved copy change only on success. Logs nothing:
    // the caller logs with LogRead once the file is saved.
    CJobOutcome Read();
    // Logs the last Read with `outcome` (which may have become a failure to
    // save); the image is the store's working image when it succeeded.
    void LogRead(const CJobOutcome& outcome);

    // False once a log line could not be written; `LogError` says why.
    bool LogWritten() const { return m_logError.empty(); }
    const std::string& LogError() const { return m_logError; }

private:
    // Starts the clock and the time stamp of one transfer.
    void Begin();
    void EnterPhase(JobPhase phase) const;
    // Takes the last transfer's session, and what it told, into `outcome`;
    // returns `moved`.
    bool Transferred(bool moved, CJobOutcome& outcome) const;
    // What the transfers told last, as a clause: "Check all connections and
    // COM port settings".
    std::string NoticeClause(const CJobOutcome& outcome) const;
    CJobOutcome WriteImage();
    // A read that came to no image: the failure's sentence, or the stop's.
    void ReadFailed(CJobOutcome& outcome) const;
    // Reads until two reads agree, telling each read after the first;
    // the transfers' session and message go into `outcome`.
    CConfirmedRead ReadUntilAgreed(CJobOutcome& outcome);
    // Saves the present image as the backup; false (logged) when the write
    // must not go on.
    bool SaveBackupOfPresent(CJobOutcome& failure);
    // What a failed or differing write leaves, and the way back.
    std::string Recovery(bool writeBegan) const;
    void Log(const char* operation, const CJobOutcome& outcome, const std::string& file,
             const std::string& sha256);
    CJobOutcome VerifyWrite(const MicImage& written);
    void Notify(const std::string& text) const;

    CMicLink& m_link;
    CTransfer& m_transfer;
    CConfigStore& m_store;
    const ILocalClock& m_clock;
    CJobSettings m_settings;
    Notice m_notice;
    PhaseObserver m_phase;
    std::string m_time;
    std::string m_stamp;
    uint32_t m_startMs = 0;
    std::string m_logError;
    MicImage m_present{};
    bool m_hasPresent = false;
    std::string m_backupPath;
};

// The model and version from an identification record, printable
// characters only and trimmed; empty when the record is all zero.
std::string RecordModelText(const uint8_t* record);
std::string RecordVersionText(const uint8_t* record);
