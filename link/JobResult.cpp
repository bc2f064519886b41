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
    case JobResult::kFailed:
        return "failed";
    }
    return "";
}

bool IsSuccess(JobResult result)
{
    return result == JobResult::kVerified || result == JobResult::kWritten ||
           result == JobResult::kRead;
}
