#include "link/JobResult.h"

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
        return "differs";
    case JobResult::kFailed:
        return "failed";
    }
    return "";
}

bool IsSuccess(JobResult result)
{
    return result == JobResult::kVerified || result == JobResult::kWritten ||
           result == JobResult::kRead || result == JobResult::kUnchanged ||
           result == JobResult::kSame;
}
