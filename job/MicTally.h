#pragma once
#include "job/MicRecord.h"

// Microphones counted by how they ended. A run's summary, a port's totals,
// the report of a log and the production-line window's sums all count with
// this, so that none can disagree with another over the same microphones.
struct CMicTally
{
    int good = 0;        // done as asked and logged, those left unchanged among them
    int unchanged = 0;   // of the good: left alone, they held the configuration
    int failed = 0;      // every one not good
    int notVerified = 0; // of the failed: written, but not read back
    int holdsOther = 0;  // of the failed: checked, another configuration
    int interrupted = 0; // of the failed: stopped by the user

    // Counts one microphone by its record's verdict.
    void Add(const CMicRecord& record);
    void Add(const CMicTally& other);
    int Total() const { return good + failed; }
    // Done as asked, those left alone not counted.
    int Done() const { return good - unchanged; }
};
