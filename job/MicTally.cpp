#include "job/MicTally.h"

void CMicTally::Add(const CMicRecord& record)
{
    switch (record.GetVerdict()) {
    case Verdict::kOk:
        ++good;
        if (record.result == JobResult::kUnchanged)
            ++unchanged;
        return;
    case Verdict::kNotVerified:
        ++notVerified;
        break;
    case Verdict::kHoldsOther:
        ++holdsOther;
        break;
    case Verdict::kInterrupted:
        ++interrupted;
        break;
    case Verdict::kFailure:
        break;
    }
    ++failed;
}

void CMicTally::Add(const CMicTally& other)
{
    good += other.good;
    unchanged += other.unchanged;
    failed += other.failed;
    notVerified += other.notVerified;
    holdsOther += other.holdsOther;
    interrupted += other.interrupted;
}
