#pragma once
// The slots that pending log lines are held in: written by their job, read
// by the signal handler. A slot's text is whole before `held` is set, and
// `held` is cleared before the text changes.
#include <atomic>
#include <cstddef>

constexpr std::size_t kPendingLineSlots = 32; // ports of a run, and more
constexpr std::size_t kPendingPathRoom = 4096;
constexpr std::size_t kPendingTextRoom = 16384;

struct CPendingLineSlot
{
    bool taken = false; // under the registry's mutex
    std::atomic<bool> held{false};
    char path[kPendingPathRoom] = {};
    char text[kPendingTextRoom] = {}; // the header, then the line
    std::size_t headerSize = 0;
    std::size_t size = 0;
};
extern CPendingLineSlot g_pendingLines[kPendingLineSlots];
