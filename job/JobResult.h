#pragma once

// How an operation on a microphone ended; the log's result column names it.
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
    kFailed,      // nothing (or not all) was moved; a backup that failed
    kInterrupted  // stopped by the user (Ctrl+C) before it ended
};
// The log's word for a result: "verified", "written",
// "written-not-verified", "differs", "read", "unchanged", "same",
// "holds-other", "failed", "interrupted".
const char* JobResultName(JobResult result);

// How a job, or a whole run, ended as far as its caller cares: the exit
// code of the command-line tool is the number.
enum class Verdict
{
    kOk = 0,          // done as asked
    kFailure = 1,     // failed, written but differs, or not logged
    kNotVerified = 3, // written, but the read-back did not succeed
    kHoldsOther = 4,  // checked: the microphone holds another configuration
    // Stopped by the user: 128 + SIGINT, as a shell reports a program that
    // Ctrl+C ended.
    kInterrupted = 130
};
// The verdict of one job's result; a job whose log line could not be
// written (`logged` false) failed, whatever it did.
Verdict VerdictOf(JobResult result, bool logged = true);
// Whether the job did what it was asked: verified, written, read, left
// unchanged, or found the same.
inline bool IsSuccess(JobResult result)
{
    return VerdictOf(result) == Verdict::kOk;
}

// What a job is busy with, as it tells its port.
enum class JobPhase
{
    kBackup,    // reading the microphone to save what it holds
    kWriting,   // the write transfer
    kVerifying, // reading the microphone back after the write
    kReading    // the read transfer, and the reads that confirm it
};
