#pragma once
// A schedule of faults over simulated time for a production line of one
// to four ports, drawn from a seed: the same seed always gives the same
// schedule, and the same run.
#include "sim/VirtualMic.h"

#include <cstdint>
#include <string>
#include <vector>

enum class FaultKind
{
    kNoise,       // bit errors at `ber` for `spanMs`
    kDrop,        // the connection is lost after block `count` of the next session
    kSilence,     // the microphone answers nothing for `spanMs`
    kSlowPrepare, // the write preparation is answered `spanMs` late
    kNak,         // the next `count` block writes are answered with NAK
    kLooseCable,  // the microphone is unplugged for `spanMs`, then plugged in again
    kBadStore,    // the next `count` blocks stored keep a flipped bit (a worn memory)
    kBackupFails, // the backup folder turns into a file: nothing can be saved there
};
const char* FaultKindName(FaultKind kind);

struct CFault
{
    uint32_t atMs = 0; // on the port's own clock, from its start
    FaultKind kind = FaultKind::kNoise;
    uint32_t spanMs = 0;
    double ber = 0;
    int count = 0;
};

// One port: the microphones its operator plugs in one after another, and
// the faults that meet them.
struct CPortPlan
{
    std::vector<CVirtualMic::Image> units;
    // The operator's pauses: after a result before unplugging, and after
    // unplugging before plugging in the next (each drawn per unit).
    std::vector<uint32_t> removeAfterMs;
    std::vector<uint32_t> plugAfterMs;
    std::vector<CFault> faults; // in time order
};

struct CSchedule
{
    uint64_t seed = 0;
    bool continuous = true;
    bool verify = true;
    bool skipSame = false;
    bool backup = false;
    bool logBroken = false; // the log's folder is no folder: no line can be written
    uint32_t verifyWaitMs = 10000;
    uint32_t stopAtMs = 0; // the stop request (Ctrl+C), on every port's clock
    CVirtualMic::Image file{};
    std::vector<CPortPlan> ports;
};

CSchedule DrawSchedule(uint64_t seed);
// The schedule in words, a line per setting and fault, for a failing seed.
std::string Describe(const CSchedule& schedule);
