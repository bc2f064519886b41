#include "job/JobResult.h"

const char* JobResultName(JobResult result)
{
    switch (result) {
    case JobResult::kVerified:
        return "verified";
    case JobResult::kWritten:
        return "written";
    case JobResult::kNotVerified:
        return "written-not-verified";
    case JobResult::kDiffers:
        return "differs";
    case JobResult::kRead:
        return "read";
    case JobResult::kUnchanged:
        return "unchanged";
    case JobResult::kSame:
        return "same";
    case JobResult::kHoldsOther:
        return "holds-other";
    case JobResult::kFailed:
        return "failed";
    case JobResult::kInterrupted:
        return "interrupted";
    }
    return "";
}

Verdict VerdictOf(JobResult result, bool logged)
{
    if (!logged)
        return Verdict::kFailure;
    switch (result) {
    case JobResult::kVerified:
    case JobResult::kWritten:
    case JobResult::kRead:
    case JobResult::kUnchanged:
    case JobResult::kSame:
        return Verdict::kOk;
    case JobResult::kNotVerified:
        return Verdict::kNotVerified;
    case JobResult::kHoldsOther:
        return Verdict::kHoldsOther;
    case JobResult::kInterrupted:
        return Verdict::kInterrupted;
    case JobResult::kDiffers:
    case JobResult::kFailed:
        break;
    }
    return Verdict::kFailure;
}
