#pragma once
// The slots that pending log lines are held in: written by their job, read
// by the signal handler. A slot's state says who may touch its text: the
// job while it is kIdle (then it fills the text and sets kHeld), the
// handler once it has turned kHeld into kWriting; kWritten, once the line is
// in the log, is for good: the job writes no line after it (the process
// ends).
#include <atomic>
#include <cstddef>

constexpr std::size_t kPendingLineSlots = 32; // ports of a run, and more
constexpr std::size_t kPendingPathRoom = 4096;
constexpr std::size_t kPendingTextRoom = 16384;

enum PendingLineState : int
{
    kPendingIdle,
    kPendingHeld,
    kPendingWriting,
    kPendingWritten
};

struct CPendingLineSlot
{
    bool taken = false; // under the registry's mutex
    std::atomic<int> state{kPendingIdle};
    char path[kPendingPathRoom] = {};
    char text[kPendingTextRoom] = {}; // the header, then the line
    std::size_t headerSize = 0;
    std::size_t size = 0;
};
extern CPendingLineSlot g_pendingLines[kPendingLineSlots];
