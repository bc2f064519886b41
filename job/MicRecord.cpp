#include "job/MicRecord.h"

#include "link/MicLink.h"
#include "link/Protocol.h"

#include <algorithm>
#include <bitset>

namespace {

template <typename Value> struct CWord
{
    Value value;
    const char* word;
};

constexpr CWord<Operation> kOperationWords[] = {{Operation::kRead, "read"},
                                                {Operation::kWrite, "write"},
                                                {Operation::kVerify, "verify"},
                                                {Operation::kBackup, "backup"}};

constexpr CWord<JobStage> kStageWords[] = {
    {JobStage::kPort, "port"},
    {JobStage::kEntry, "entry"},
    {JobStage::kIdentification, "identification"},
    {JobStage::kModel, "model"},
    {JobStage::kWritePreparation, "preparation"},
    {JobStage::kBlock, "block"},
    {JobStage::kEnd, "end"},
    {JobStage::kConfirm, "confirm"},
    {JobStage::kSaveBackup, "save-backup"},
    {JobStage::kReadBack, "read-back"},
    {JobStage::kSave, "save"},
    {JobStage::kDone, "done"},
};

constexpr CWord<CauseKind> kCauseWords[] = {
    {CauseKind::kNone, ""},
    {CauseKind::kPortDoesNotOpen, "no-port"},
    {CauseKind::kNoAnswer, "no-answer"},
    {CauseKind::kNoIdentification, "no-identification"},
    {CauseKind::kOtherModel, "other-model"},
    {CauseKind::kGarbledIdentifier, "garbled-identifier"},
    {CauseKind::kNoPreparation, "no-preparation"},
    {CauseKind::kBlockRefused, "refused"},
    {CauseKind::kBlockDamaged, "damaged"},
    {CauseKind::kNoBlockAnswer, "no-block-answer"},
    {CauseKind::kConnectionLost, "lost"},
    {CauseKind::kPortNotClosed, "not-closed"},
    {CauseKind::kReadsDisagree, "reads-disagree"},
    {CauseKind::kImageDiffers, "differs"},
    {CauseKind::kOtherConfiguration, "other-configuration"},
    {CauseKind::kNotReadBack, "not-read-back"},
    {CauseKind::kBackupFolder, "backup-folder"},
    {CauseKind::kBackupFile, "backup-file"},
    {CauseKind::kFileNotSaved, "not-saved"},
    {CauseKind::kInterrupted, "interrupted"},
    {CauseKind::kNoTexts, "no-texts"},
};

constexpr CWord<Holds> kHoldsWords[] = {{Holds::kAsItWas, "as-it-was"},
                                        {Holds::kNew, "new"},
                                        {Holds::kPartOfEach, "part-of-each"},
                                        {Holds::kNotKnown, "not-known"}};

template <typename Value, std::size_t N>
const char* WordOf(const CWord<Value> (&words)[N], Value value)
{
    for (const CWord<Value>& entry : words)
        if (entry.value == value)
            return entry.word;
    return "";
}

template <typename Value, std::size_t N>
bool ValueOf(const CWord<Value> (&words)[N], const std::string& word, Value& value)
{
    for (const CWord<Value>& entry : words) {
        if (word == entry.word) {
            value = entry.value;
            return true;
        }
    }
    return false;
}

// An accepted model's identifier is at most this many bits away from what
// a noisy line delivered of it; more, and it is another model.
constexpr int kMostGarbledBits = 2;

} // namespace

bool CCause::operator==(const CCause& other) const
{
    return kind == other.kind && writing == other.writing && block == other.block &&
           blocks == other.blocks && offset == other.offset && rates == other.rates &&
           identifier == other.identifier && device == other.device &&
           openFailure.kind == other.openFailure.kind &&
           openFailure.reason == other.openFailure.reason && path == other.path &&
           error == other.error && readBackStage == other.readBackStage;
}

JobStage StageOf(SessionStage stage)
{
    switch (stage) {
    case SessionStage::kPort:
        return JobStage::kPort;
    case SessionStage::kEntry:
        return JobStage::kEntry;
    case SessionStage::kIdentification:
        return JobStage::kIdentification;
    case SessionStage::kModel:
        return JobStage::kModel;
    case SessionStage::kWritePreparation:
        return JobStage::kWritePreparation;
    case SessionStage::kBlock:
        return JobStage::kBlock;
    case SessionStage::kEnd:
        return JobStage::kEnd;
    case SessionStage::kDone:
        break;
    }
    return JobStage::kDone;
}

const char* OperationWord(Operation operation)
{
    return WordOf(kOperationWords, operation);
}

const char* StageWord(JobStage stage)
{
    return WordOf(kStageWords, stage);
}

const char* CauseWord(CauseKind kind)
{
    return WordOf(kCauseWords, kind);
}

const char* HoldsWord(Holds holds)
{
    return WordOf(kHoldsWords, holds);
}

bool OperationOfWord(const std::string& word, Operation& operation)
{
    return ValueOf(kOperationWords, word, operation);
}

bool StageOfWord(const std::string& word, JobStage& stage)
{
    return ValueOf(kStageWords, word, stage);
}

bool CauseOfWord(const std::string& word, CauseKind& kind)
{
    return ValueOf(kCauseWords, word, kind);
}

bool HoldsOfWord(const std::string& word, Holds& holds)
{
    return ValueOf(kHoldsWords, word, holds);
}

bool ResultOfWord(const std::string& word, Operation operation, JobResult& result)
{
    for (const JobResult candidate :
         {JobResult::kVerified, JobResult::kWritten, JobResult::kNotVerified, JobResult::kDiffers,
          JobResult::kRead, JobResult::kUnchanged, JobResult::kSame, JobResult::kHoldsOther,
          JobResult::kFailed, JobResult::kInterrupted}) {
        if (word == JobResultName(candidate)) {
            result = candidate;
            // Logs before "holds-other" said "differs" for a check as well.
            if (candidate == JobResult::kDiffers && operation == Operation::kVerify)
                result = JobResult::kHoldsOther;
            return true;
        }
    }
    return false;
}

int BitsFromAcceptedModel(const uint8_t* identifier)
{
    int nearest = Wire::kModelIdSize * 8;
    for (const auto& model : kAcceptedModels) {
        int bits = 0;
        for (std::size_t i = 0; i < model.size(); ++i)
            bits += static_cast<int>(std::bitset<8>(identifier[i] ^ model[i]).count());
        nearest = std::min(nearest, bits);
    }
    return nearest;
}

CCause CauseOfSession(const CSessionResult& session, bool writing, const std::string& device,
                      const COpenFailure& openFailure)
{
    CCause cause;
    cause.writing = writing;
    if (session.interrupted) {
        cause.kind = CauseKind::kInterrupted;
        return cause;
    }
    switch (session.stage) {
    case SessionStage::kPort:
        cause.kind = CauseKind::kPortDoesNotOpen;
        cause.device = device;
        cause.openFailure = openFailure;
        break;
    case SessionStage::kEntry:
        cause.kind = CauseKind::kNoAnswer;
        for (const Wire::CProbeRate& probe : Wire::kProbeRates)
            cause.rates.push_back(probe.rate);
        break;
    case SessionStage::kIdentification:
        cause.kind = CauseKind::kNoIdentification;
        break;
    case SessionStage::kModel: {
        const int bits = BitsFromAcceptedModel(session.record.data());
        cause.kind = bits > 0 && bits <= kMostGarbledBits ? CauseKind::kGarbledIdentifier
                                                          : CauseKind::kOtherModel;
        cause.identifier = RecordModelText(session.record.data());
        break;
    }
    case SessionStage::kWritePreparation:
        cause.kind = CauseKind::kNoPreparation;
        break;
    case SessionStage::kBlock:
        cause.block = session.block;
        cause.kind = session.blockAnswer == BlockAnswer::kRefused   ? CauseKind::kBlockRefused
                     : session.blockAnswer == BlockAnswer::kDamaged ? CauseKind::kBlockDamaged
                     : session.block == 0                           ? CauseKind::kNoBlockAnswer
                                                                    : CauseKind::kConnectionLost;
        break;
    case SessionStage::kEnd:
        cause.kind = CauseKind::kPortNotClosed;
        break;
    case SessionStage::kDone:
        break;
    }
    return cause;
}

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

} // namespace

std::string RecordModelText(const uint8_t* record)
{
    return PrintableField(record + kModelOffset, Wire::kModelIdSize);
}

std::string RecordVersionText(const uint8_t* record)
{
    return PrintableField(record + kVersionOffset, kVersionSize);
}
