#include "app/cli/FailureCause.h"

#include "diag/DoctorSurvey.h"
#include "diag/PortTrouble.h"
#include "link/ByteDevice.h"
#include "link/ProgrammingJob.h"

namespace {

constexpr const char* kWriteWait = "3 s";
constexpr const char* kPrepareWait = "20 s";

// A block by its index 0 to 8, named as the progress counts it, 1 to 9.
std::string BlockText(int index)
{
    return "block " + std::to_string(index + 1);
}

std::string BlockCause(TransferMode mode, const CSessionResult& session)
{
    const bool write = mode == TransferMode::Write;
    switch (session.blockAnswer) {
    case BlockAnswer::kRefused:
        return write ? "NAK on " + BlockText(session.block) + ", three times"
                     : BlockText(session.block) + " was not acknowledged";
    case BlockAnswer::kDamaged:
        return BlockText(session.block) + " arrived damaged three times";
    case BlockAnswer::kNone:
    case BlockAnswer::kOk:
        break;
    }
    if (session.block == 0)
        return write ? "no answer to " + BlockText(0) + " within " + kWriteWait
                     : "no answer to the read of " + BlockText(0);
    return "the connection was lost after " + BlockText(session.block - 1);
}

} // namespace

std::string FailureCause(TransferMode mode, const CSessionResult& session,
                         const std::string& device, const COpenFailure& failure)
{
    switch (session.stage) {
    case SessionStage::kPort: {
        // The system's words for a device that is no serial line ("Inappropriate
        // ioctl for device") give way to what doctor finds on it.
        const std::string trouble = failure.kind == COpenFailure::Kind::Other
                                        ? PortTrouble(device, SystemDoctorSeams())
                                        : std::string();
        return "the port does not open: " +
               (trouble.empty() ? OpenFailureText(failure, device) : device + ": " + trouble);
    }
    case SessionStage::kEntry:
        return "no answer to the entry into programming mode at any of the seven rates";
    case SessionStage::kIdentification:
        return "the microphone answered the entry, but sent no identification";
    case SessionStage::kModel:
        return "the microphone identified as '" + RecordModelText(session.record.data()) +
               "', not as a VHM-81/82";
    case SessionStage::kWritePreparation:
        return std::string("no answer to the write preparation within ") + kPrepareWait;
    case SessionStage::kBlock:
        return BlockCause(mode, session);
    case SessionStage::kEnd:
        return "the port could not be closed";
    case SessionStage::kDone:
        break;
    }
    return {};
}

bool CallsForDoctor(const CSessionResult& session)
{
    return session.stage == SessionStage::kPort || session.stage == SessionStage::kEntry;
}
