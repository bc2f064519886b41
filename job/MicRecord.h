#pragma once
// What the programming of one microphone did, as values only: the
// operation, where it ended and why, what the microphone holds now and
// the way back. Every front end words a record in its own way (the tool's
// lines and JSON, the log, the production-line window's tiles); nothing
// here is a sentence.
#include "job/JobResult.h"
#include "link/ByteDevice.h"
#include "link/Session.h"

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

// What was done to the microphone.
enum class Operation
{
    kRead,   // read into a data file
    kWrite,  // written from a data file
    kVerify, // read and compared with a data file
    kBackup  // read and saved before a write
};

// Where an operation ended: a stage of its last session, or a step of the
// job around its sessions.
enum class JobStage
{
    kPort,             // the port's opening
    kEntry,            // the entry into programming mode
    kIdentification,   // the identification record
    kModel,            // the model the record names
    kWritePreparation, // the write's preparation
    kBlock,            // moving a block (CCause::block says which)
    kEnd,              // closing the port after the end of programming mode
    kConfirm,          // reads that were to agree did not
    kSaveBackup,       // saving the backup file
    kReadBack,         // reading the microphone back after the write
    kSave,             // saving the data file that a read went into
    kDone              // every step passed
};
// The stage of a session as a job's stage.
JobStage StageOf(SessionStage stage);

// Why an operation did not do what it was asked.
enum class CauseKind
{
    kNone,
    kPortDoesNotOpen,    // `openFailure` on `device`
    kNoAnswer,           // no answer to the entry at any of `rates`
    kNoIdentification,   // the entry answered, no identification followed
    kOtherModel,         // the microphone identified as `identifier`
    kGarbledIdentifier,  // `identifier` is one or two bits from an accepted model's
    kNoPreparation,      // the write preparation went unanswered
    kBlockRefused,       // `block` refused three times (a write's NAK, a read's)
    kBlockDamaged,       // `block` arrived damaged three times
    kNoBlockAnswer,      // `block` was never answered
    kConnectionLost,     // the microphone went silent after the block before `block`
    kPortNotClosed,      // the port did not close at the end
    kReadsDisagree,      // three reads, no two alike: `blocks` kept changing
    kImageDiffers,       // read back, `blocks` differ from the image written, from `offset`
    kOtherConfiguration, // checked: the microphone holds another configuration (`blocks`)
    kNotReadBack,        // the read-back did not succeed; its last session ended at `readBackStage`
    kBackupFolder,       // the backup folder `path` cannot be made or written (`error`)
    kBackupFile,         // the backup file `path` cannot be saved (`error`)
    kFileNotSaved,       // the data file `path` cannot be saved
    kInterrupted,        // a stop was asked for (Ctrl+C)
    kNoTexts             // the text catalogue cannot be loaded
};

// The cause and what was seen of it.
struct CCause
{
    CauseKind kind = CauseKind::kNone;
    bool writing = false;        // it happened in a write session (else a read's)
    int block = -1;              // the block it concerns, 0 to 8
    std::vector<int> blocks;     // blocks that differ or kept changing, 0 to 8
    int offset = -1;             // the first byte that differs
    std::vector<uint32_t> rates; // rates the entry was tried at, in their order
    std::string identifier;      // what the microphone identified as, printable
    std::string device;          // the device the port is
    COpenFailure openFailure;    // why the port did not open
    std::string path;            // the folder or file concerned
    std::error_code error;       // the system's reason
    SessionStage readBackStage = SessionStage::kDone;

    bool operator==(const CCause& other) const;
};

// What the microphone holds after the operation, against what it held
// before.
enum class Holds
{
    kAsItWas,    // nothing was written to it
    kNew,        // the image written
    kPartOfEach, // part of the image written and part of what it held
    kNotKnown    // written, but what it holds could not be read back
};

// How to give a microphone whose write broke off a whole configuration
// again: write `file` to it on `port`, its own port.
struct CWayBack
{
    std::string file;    // the backup, or the data file written again
    bool backup = false; // `file` is the backup of what it held
    std::string port;

    bool Empty() const { return file.empty(); }
};

// One operation on one microphone.
struct CMicRecord
{
    Operation operation = Operation::kWrite;
    std::string port;   // its one canonical name
    std::string device; // the device the port opened; empty when it did not
    int microphone = 1; // counted from 1 on its port in the run
    std::string unit;   // the same on every record of one microphone in one run
    std::string label;  // empty: none
    std::string file;   // the data file written, compared with or read into
    // The SHA-256 of the file's image (write, verify) or of the image read
    // (read, backup), lower-case hex; empty when there is none.
    std::string sha256;
    std::string model;   // as the microphone identified itself; empty when it did not
    std::string version; // likewise
    std::string time;    // local ISO 8601 time at which the operation began
    uint32_t durationMs = 0;
    JobStage stage = JobStage::kDone;
    JobResult result = JobResult::kFailed;
    CCause cause;
    Holds holds = Holds::kAsItWas;
    std::string backupFile; // the backup saved before this write; empty: none
    CWayBack wayBack;       // empty unless the write broke off
    int reads = 0;          // reads made to confirm one (2 or 3), 0 when not confirmed
    // Its log line was written, or no log was asked; `logPath` and
    // `logReason` say which log could not be written, and why.
    bool logged = true;
    std::string logPath;
    std::string logReason;

    Verdict GetVerdict() const { return VerdictOf(result, logged); }
    // Done as asked, and logged.
    bool Ok() const { return GetVerdict() == Verdict::kOk; }
};

// The log's words for the values above: "write", "block", "nak", "part".
// Each word is stable: readers of old logs rely on them.
const char* OperationWord(Operation operation);
const char* StageWord(JobStage stage);
const char* CauseWord(CauseKind kind);
const char* HoldsWord(Holds holds);
// The values of those words; false for a word that is none of them.
bool OperationOfWord(const std::string& word, Operation& operation);
bool StageOfWord(const std::string& word, JobStage& stage);
bool CauseOfWord(const std::string& word, CauseKind& kind);
bool HoldsOfWord(const std::string& word, Holds& holds);
// A result word of any version of the log: "differs" on a verify line is
// the other configuration that logs now call "holds-other".
bool ResultOfWord(const std::string& word, Operation operation, JobResult& result);

// The bits in which `identifier` (8 bytes) differs from the accepted model
// nearest to it: 0 for an accepted one.
int BitsFromAcceptedModel(const uint8_t* identifier);
// The cause of a session that failed in `mode` (write or read), from what
// it saw: the port's failure, the model it identified as, the block.
CCause CauseOfSession(const CSessionResult& session, bool writing, const std::string& device,
                      const COpenFailure& openFailure);

// The model and version from an identification record, printable
// characters only and trimmed; empty when the record is all zero.
std::string RecordModelText(const uint8_t* record);
std::string RecordVersionText(const uint8_t* record);
