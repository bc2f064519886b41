#include "words/RecordWords.h"

#include "diag/DoctorSurvey.h"
#include "diag/PortTrouble.h"
#include "job/ProductionRun.h"
#include "link/Protocol.h"
#include "link/TickClock.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kWriteWait = "3 s";
// The rates the entry is tried at, in words, when they are all of them.
constexpr const char* kAllRates = "seven";

// A block by its index 0 to 8, named as the progress counts it, 1 to 9.
std::string BlockText(int index)
{
    return "block " + std::to_string(index + 1);
}

// The way a session of the read-back ended, in a few words.
const char* ReadBackText(SessionStage stage)
{
    switch (stage) {
    case SessionStage::kPort:
        return "the port cannot be opened";
    case SessionStage::kEntry:
        return "no answer to the entry into programming mode";
    case SessionStage::kIdentification:
        return "no identification";
    case SessionStage::kModel:
        return "an unknown model";
    case SessionStage::kWritePreparation:
        return "no answer to the write preparation";
    case SessionStage::kBlock:
        return "a block could not be read";
    case SessionStage::kEnd:
        return "the port could not be closed";
    case SessionStage::kDone:
        break;
    }
    return "done";
}

std::string PortCause(const CCause& cause)
{
    // The system's words for a device that is no serial line ("Inappropriate
    // ioctl for device") give way to what doctor finds on it.
    const std::string trouble = cause.openFailure.kind == COpenFailure::Kind::Other
                                    ? PortTrouble(cause.device, SystemDoctorSeams())
                                    : std::string();
    return "the port does not open: " + (trouble.empty()
                                             ? OpenFailureText(cause.openFailure, cause.device)
                                             : cause.device + ": " + trouble);
}

std::string EntryCause(const CCause& cause)
{
    const std::string rates = cause.rates.size() == Wire::kProbeRates.size()
                                  ? std::string(kAllRates)
                                  : std::to_string(cause.rates.size());
    return "no answer to the entry into programming mode at any of the " + rates + " rates";
}

std::string ErrorText(const std::error_code& error)
{
    return error.category() == std::generic_category() ? SystemReason(error.value())
                                                       : error.message();
}

// What a write that broke off leaves, and the way back, each sentence led
// by a blank.
std::string HoldsAndWayBack(const CMicRecord& record)
{
    if (record.holds == Holds::kAsItWas)
        return record.operation == Operation::kWrite || record.operation == Operation::kRead ||
                       record.operation == Operation::kBackup
                   ? " The microphone was not changed."
                   : "";
    if (record.holds != Holds::kPartOfEach)
        return {};
    std::string text =
        " The microphone may now hold part of the new configuration and part of the old.";
    const CWayBack& way = record.wayBack;
    if (way.Empty())
        return text;
    if (way.backup)
        return text + " Its configuration from before was saved as " + way.file +
               "; to write it back: " + WayBackCommand(way);
    return text + " Writing " + way.file + " again completes it: " + WayBackCommand(way);
}

// "Write failed: NAK on block 1, three times." or, without the cause,
// "Write failed."
std::string Failed(const char* what, const CMicRecord& record, bool withCause)
{
    const std::string cause = CauseText(record.cause);
    return std::string(what) + (withCause && !cause.empty() ? ": " + cause : "") + ".";
}

std::string WriteSentence(const CMicRecord& record, bool withCause)
{
    const CCause& cause = record.cause;
    switch (record.result) {
    case JobResult::kVerified:
        return "Verified: the microphone holds the image written.";
    case JobResult::kWritten:
        return "Written, not read back.";
    case JobResult::kNotVerified:
        return "Written, not verified: the microphone could not be read back (" +
               std::string(ReadBackText(cause.readBackStage)) + ").";
    case JobResult::kDiffers:
        return "Written but differs: " + CauseText(cause) + "." + HoldsAndWayBack(record);
    case JobResult::kUnchanged:
        return "Unchanged: the microphone already holds the configuration.";
    case JobResult::kInterrupted:
        if (record.stage == JobStage::kReadBack)
            return "Interrupted during the read-back: written, not verified.";
        return "Interrupted." + HoldsAndWayBack(record);
    case JobResult::kFailed:
        break;
    default:
        return JobResultName(record.result);
    }
    // A failure of the read before the write: nothing was written.
    if (!cause.writing && cause.kind != CauseKind::kNoTexts && record.stage <= JobStage::kConfirm)
        return std::string("Write failed: the microphone could not be read first") +
               (withCause ? " (" + CauseText(cause) + ")" : std::string()) + "." +
               HoldsAndWayBack(record);
    return Failed("Write failed", record, withCause) + HoldsAndWayBack(record);
}

std::string BackupSentence(const CMicRecord& record, bool withCause)
{
    switch (record.result) {
    case JobResult::kRead:
        return "The microphone's configuration was saved as " + record.file + ".";
    case JobResult::kInterrupted:
        return "Interrupted before the backup was saved. The microphone was not changed.";
    default:
        break;
    }
    const std::string cause = CauseText(record.cause);
    return "Backup failed" + (withCause && !cause.empty() ? ": " + cause : std::string()) +
           "; the microphone was not written.";
}

std::string VerifySentence(const CMicRecord& record, bool withCause)
{
    switch (record.result) {
    case JobResult::kSame:
        return "Same: the microphone holds the configuration of " + record.file + ".";
    case JobResult::kHoldsOther:
        return "Differs: the microphone holds another configuration than " + record.file + " (" +
               BlockListText(record.cause.blocks) + ").";
    case JobResult::kInterrupted:
        return "Interrupted: not checked.";
    default:
        break;
    }
    if (record.cause.kind == CauseKind::kReadsDisagree)
        return Failed("Not confirmed", record, withCause);
    return Failed("Verify failed", record, withCause);
}

std::string ReadSentence(const CMicRecord& record, bool withCause)
{
    switch (record.result) {
    case JobResult::kRead:
        return "Read.";
    case JobResult::kVerified:
        return record.reads == 3 ? "Verified: the third read agrees with one of the first two."
                                 : "Verified: two reads agree.";
    case JobResult::kInterrupted:
        return "Interrupted: " + record.file + " was not written." + HoldsAndWayBack(record);
    default:
        break;
    }
    if (record.cause.kind == CauseKind::kFileNotSaved)
        return "Read, but " + record.file + " could not be saved.";
    if (record.cause.kind == CauseKind::kReadsDisagree)
        return Failed("Not confirmed", record, withCause);
    return Failed("Read failed", record, withCause);
}

} // namespace

std::string BlockListText(const std::vector<int>& blocks)
{
    if (blocks.empty())
        return {};
    std::string text = blocks.size() == 1 ? "block " : "blocks ";
    for (std::size_t i = 0; i < blocks.size(); ++i)
        text += (i > 0 ? ", " : "") + std::to_string(blocks[i] + 1);
    return text;
}

std::string OffsetText(int offset)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(offset));
    return text;
}

std::string CauseText(const CCause& cause)
{
    const bool write = cause.writing;
    switch (cause.kind) {
    case CauseKind::kNone:
        return {};
    case CauseKind::kPortDoesNotOpen:
        return PortCause(cause);
    case CauseKind::kNoAnswer:
        return EntryCause(cause);
    case CauseKind::kNoIdentification:
        return "the microphone answered the entry, but sent no identification";
    case CauseKind::kOtherModel:
        return "the microphone identified as '" + cause.identifier + "', not as a VHM-81/82";
    case CauseKind::kGarbledIdentifier:
        return "the microphone's identification arrived garbled ('" + cause.identifier +
               "'): check the cable";
    case CauseKind::kNoPreparation:
        return "no answer to the write preparation within " +
               std::to_string(Wire::kPrepareTimeoutMs / kMsPerSecond) + " s";
    case CauseKind::kBlockRefused:
        return write ? "NAK on " + BlockText(cause.block) + ", three times"
                     : BlockText(cause.block) + " was not acknowledged";
    case CauseKind::kBlockDamaged:
        return BlockText(cause.block) + " arrived damaged three times";
    case CauseKind::kNoBlockAnswer:
        return write ? "no answer to " + BlockText(cause.block) + " within " + kWriteWait
                     : "no answer to the read of " + BlockText(cause.block);
    case CauseKind::kConnectionLost:
        return "the connection was lost after " + BlockText(cause.block - 1);
    case CauseKind::kPortNotClosed:
        return "the port could not be closed";
    case CauseKind::kReadsDisagree:
        return "three reads disagree; " + BlockListText(cause.blocks) + " kept changing";
    case CauseKind::kImageDiffers:
        return BlockListText(cause.blocks) + (cause.blocks.size() == 1 ? " differs" : " differ") +
               " from the image written, first at offset " + OffsetText(cause.offset);
    case CauseKind::kOtherConfiguration:
        return "the microphone holds another configuration (" + BlockListText(cause.blocks) + ")";
    case CauseKind::kNotReadBack:
        return std::string("the microphone could not be read back (") +
               ReadBackText(cause.readBackStage) + ")";
    case CauseKind::kBackupFolder:
        return "the backup folder " + cause.path + " cannot be used: " + ErrorText(cause.error);
    case CauseKind::kBackupFile:
        return "the backup " + cause.path + " cannot be saved: " + ErrorText(cause.error);
    case CauseKind::kFileNotSaved:
        return cause.path + " could not be saved";
    case CauseKind::kInterrupted:
        return "stopped by Ctrl+C";
    case CauseKind::kNoTexts:
        return "the text catalogue cannot be loaded";
    }
    return {};
}

bool CallsForDoctor(const CCause& cause)
{
    return cause.kind == CauseKind::kPortDoesNotOpen || cause.kind == CauseKind::kNoAnswer;
}

std::string WayBackCommand(const CWayBack& wayBack)
{
    if (wayBack.Empty())
        return {};
    return std::string(kToolName) + " write --port " + ShellWord(wayBack.port) + " " +
           ShellWord(wayBack.file);
}

std::string RecordSentence(const CMicRecord& record, bool withCause)
{
    switch (record.operation) {
    case Operation::kWrite:
        return WriteSentence(record, withCause);
    case Operation::kBackup:
        return BackupSentence(record, withCause);
    case Operation::kVerify:
        return VerifySentence(record, withCause);
    case Operation::kRead:
        return ReadSentence(record, withCause);
    }
    return {};
}

std::string ResultLine(const CMicRecord& record)
{
    std::string line = record.port + ": microphone " + std::to_string(record.microphone) +
                       (record.label.empty() ? "" : " (" + record.label + ")") + ": " +
                       JobResultName(record.result);
    if (record.Ok())
        return line;
    std::string why = IsSuccess(record.result) ? std::string() : RecordSentence(record);
    if (!record.logged)
        why += (why.empty() ? "" : " ") + LogTroubleText(record);
    return line + " (" + why + ")";
}

std::string LogTroubleText(const CMicRecord& record)
{
    if (record.logged)
        return {};
    if (record.logReason.empty())
        return record.logPath + " is no log of " + kToolName + "; nothing was added to it";
    return "cannot write the log " + record.logPath + ": " + record.logReason;
}

const char* PortStateText(PortState state)
{
    switch (state) {
    case PortState::kStarting:
        return "starting";
    case PortState::kWaiting:
        return "waiting for a microphone";
    case PortState::kNoPort:
        return "port does not open";
    case PortState::kWriting:
        return "writing";
    case PortState::kReading:
        return "reading";
    case PortState::kVerifying:
        return "reading back";
    case PortState::kRemoving:
        return "waiting for removal";
    case PortState::kFinished:
        return "finished";
    }
    return "";
}

std::string DoneWords(const CRunSummary& summary)
{
    return summary.check    ? "hold the configuration"
           : summary.verify ? "written and verified"
                            : "written";
}

std::string SummarySentence(const CRunSummary& summary)
{
    const CMicTally& tally = summary.tally;
    const int of = summary.target > 0 ? summary.target : tally.Total();
    std::string text = "In all: " + std::to_string(tally.Done()) + " of " + std::to_string(of) +
                       " microphones " + DoneWords(summary) + ".";
    if (tally.unchanged > 0)
        text +=
            " Unchanged (they held the configuration already): " + std::to_string(tally.unchanged) +
            ".";
    if (!summary.failed.empty()) {
        text += " Failed: ";
        for (std::size_t i = 0; i < summary.failed.size(); ++i)
            text += (i == 0 ? "" : ", ") + summary.failed[i].port + " microphone " +
                    std::to_string(summary.failed[i].microphone);
        text += ".";
    }
    return text;
}

std::string LabelFaultText(LabelFault fault)
{
    switch (fault) {
    case LabelFault::kNone:
        break;
    case LabelFault::kControlCharacter:
        return "it holds a control character";
    case LabelFault::kTooLong:
        return "it is longer than " + std::to_string(kLongestLabel) + " characters";
    }
    return {};
}

std::string SystemReason(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return "no such file";
    case EACCES:
    case EPERM:
        return "permission denied";
    case EISDIR:
        return "is a folder";
    case ENOTDIR:
        return "a part of its path is no folder";
    case EROFS:
        return "the file system is read-only";
    case ENOSPC:
        return "the disk is full";
    case EINVAL:
        return "not a regular file";
    default:
        break;
    }
    std::string text = std::strerror(errorNumber);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::string ShellWord(const std::string& word)
{
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+:,=@%", c);
    });
    if (plain)
        return word;
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string RecordFaultText(const CRecordFault& fault)
{
    const std::string where = fault.where.empty() ? std::string() : fault.where + ": ";
    switch (fault.kind) {
    case CRecordFault::kNone:
        break;
    case CRecordFault::kEmptyAddress:
        return "the record's address is empty";
    case CRecordFault::kNotAnAddress:
        return fault.detail +
               " is no record: give an SQLite file's path or a postgresql:// address";
    case CRecordFault::kPassword:
        return "a password in the record's address is refused (anyone may read a command "
               "line): put it in ~/.pgpass, PGPASSWORD or a service file";
    case CRecordFault::kBadPort:
        return "the record's address has no port number after its host's colon";
    case CRecordFault::kNoDriver:
        return fault.postgres ? "Qt has no PostgreSQL driver here (install libqt6sql6-psql)"
                              : "Qt has no SQLite driver here (install libqt6sql6-sqlite)";
    case CRecordFault::kUnreachable:
        return where + (fault.detail.empty() ? "it does not answer" : fault.detail);
    case CRecordFault::kNewer:
        return fault.where +
               " was made by a newer version of the tool (its tables are of version " +
               std::to_string(fault.version) + ", this tool knows up to " +
               std::to_string(CShopRecord::kSchemaVersion) + "); it is left as it is";
    case CRecordFault::kMissing:
        return fault.where + " does not exist";
    case CRecordFault::kNoRecord:
        return fault.where + " holds no record of this program";
    case CRecordFault::kUsedUp:
        return "the numbers of " + fault.detail + " are used up";
    case CRecordFault::kSpool:
        return where +
               (fault.detail.empty() ? "cannot be taken to give it to the record" : fault.detail);
    }
    return {};
}

std::string RecordNoticeText(const CRecordNotice& notice)
{
    switch (notice.kind) {
    case CRecordNotice::kAway:
        return "record unreachable: " + RecordFaultText(notice.fault) +
               "; no new microphone until it is back";
    case CRecordNotice::kBack:
        return "the record is back" + (notice.given > 0 ? ": " + std::to_string(notice.given) +
                                                              " row(s) written from the spool"
                                                        : std::string());
    case CRecordNotice::kNotKept:
        return "the record cannot be reached, and the row could not be kept in " +
               RecordFaultText(notice.fault);
    }
    return {};
}
