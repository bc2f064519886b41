#pragma once

// How a programming job ended; the log's result column names it.
enum class JobResult
{
    kVerified,    // written and read back equal, or read and confirmed
    kWritten,     // written, not read back (verification off)
    kNotVerified, // written, but the read-back did not succeed
    kDiffers,     // written, and the microphone holds another image
    kRead,        // read once
    kUnchanged,   // not written: the microphone already held the configuration
    kSame,        // checked: the microphone holds the file's configuration
    kHoldsOther,  // checked: the microphone holds another configuration
    kFailed       // nothing (or not all) was moved; a backup that failed
};
// "verified", "written", "written-not-verified", "differs", "read",
// "unchanged", "same", "differs" (another configuration), "failed".
const char* JobResultName(JobResult result);
// Whether the job did what it was asked: verified, written, read, left
// unchanged, or found the same.
bool IsSuccess(JobResult result);

// What a job is busy with, as it tells its port.
enum class JobPhase
{
    kBackup,    // reading the microphone to save what it holds
    kWriting,   // the write transfer
    kVerifying, // reading the microphone back after the write
    kReading    // the read transfer, and the reads that confirm it
};
