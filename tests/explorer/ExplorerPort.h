#pragma once
// One port of the explored production line: a virtual microphone on an
// in-process line with a clock of its own, the operator who plugs one
// microphone after another into it, and the faults of the schedule, played
// at their moments on the port's clock. It also keeps what the checks need:
// every job's outcome and the microphone it ran on, and the image each
// microphone held when a write began.
#include "ExplorerSchedule.h"

#include "core/Clock.h"
#include "job/ProductionRun.h"
#include "link/TickClock.h"
#include "sim/InProcessLine.h"
#include "sim/NoisyDevice.h"
#include "sim/VirtualMic.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CMicLink;

// Sets the stop request once every port still running has reached the
// moment of the stop on its own clock: a replayed seed then stops each port
// where it stopped the first time.
class CStopBarrier
{
public:
    explicit CStopBarrier(std::size_t ports) : m_ports(ports) {}
    void SetRunner(CProductionRun* runner) { m_runner = runner; }
    // The port has reached the moment of the stop; waits for the others.
    void Arrive();
    // The port has ended before reaching it.
    void Leave();
    bool Stopped() const;

private:
    void StopIfAllThere(); // with m_mutex held

    const std::size_t m_ports;
    std::size_t m_there = 0;
    bool m_stopped = false;
    CProductionRun* m_runner = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
};

// A job as the port saw it.
struct CJobRecord
{
    int unit = 0;         // the microphone it ran on, from 0
    uint32_t beganMs = 0; // on the port's clock
    uint32_t endedMs = 0; //
    bool begunAfterStop = false;
    bool ended = false;
    int blocksStored = 0; // written to the microphone during the job
    CMicRecord outcome;
    CVirtualMic::Image imageAtEnd{};
};

// A write session that stored a block, and what the microphone held before.
struct CWriteBegan
{
    int unit = 0;
    uint32_t atMs = 0;
    CVirtualMic::Image before{};
};

class CExplorerPort
{
public:
    CExplorerPort(const CSchedule& schedule, std::size_t index, std::string backupDir,
                  CStopBarrier& barrier);

    const std::string& Name() const { return m_name; }
    const std::string& BackupDir() const { return m_backupDir; }
    std::unique_ptr<CMicLink> MakeLink();
    void Pause(uint32_t ms);
    const ILocalClock& LocalClock() const { return m_local; }

    // From the fleet's observer, on the port's thread.
    void OnState(PortState state);
    void OnResult(const CMicRecord& outcome);

    const std::vector<CJobRecord>& Jobs() const { return m_jobs; }
    const std::vector<CWriteBegan>& WritesBegan() const { return m_writesBegan; }
    // Sessions in which the microphone stored blocks the program never sent
    // as a write: commands that noise turned into block writes.
    int NoiseWrites() const { return m_noiseWrites; }
    // What happened on the port, a line each, when told to keep it.
    void KeepTrace() { m_tracing = true; }
    const std::string& TraceText() const { return m_trace; }
    // Something the port saw that breaks a rule of its own (empty: none).
    const std::string& Trouble() const { return m_trouble; }
    // Simulated milliseconds since the port started.
    uint32_t Elapsed() const { return m_ticks.NowMs() - kStartMs; }

private:
    friend class CBurstDevice;
    static constexpr uint32_t kStartMs = 1000;

    // Plays what is due on the port's clock; called before the microphone
    // hears anything and after every pause.
    void Play();
    void PlayFault(const CFault& fault, uint32_t now);
    void Watch(); // what the microphone held before a write began
    // The noise of the burst on the line now; nullptr for a clean line.
    CBitNoise* NoiseNow();
    void PlugNext();
    void Trace(const std::string& text);

    struct CBurst
    {
        uint32_t fromMs;
        uint32_t untilMs;
        std::unique_ptr<CBitNoise> noise;
    };

    const CSchedule& m_schedule;
    const CPortPlan& m_plan;
    const std::size_t m_index;
    const std::string m_name;
    const std::string m_backupDir;
    CStopBarrier& m_barrier;

    CManualTickClock m_ticks{kStartMs};
    CFixedClock m_local{10, 0, 0};
    CVirtualMic m_mic;
    CInProcessLine m_line{m_mic, m_ticks};

    CMicFaults m_faults;
    std::size_t m_nextFault = 0;
    std::vector<CBurst> m_bursts;
    uint32_t m_silentUntilMs = 0;
    uint32_t m_looseUntilMs = 0;
    bool m_loose = false;
    bool m_atStop = false;
    bool m_finished = false;

    int m_unit = 0;
    bool m_plugged = true;
    bool m_removePending = false;
    uint32_t m_removeAtMs = 0;
    bool m_plugPending = false;
    uint32_t m_plugAtMs = 0;

    int m_lastStored = 0;
    bool m_inWrite = false;
    CVirtualMic::Image m_snapshot{};
    bool m_inJob = false;
    bool m_writePhase = false; // the job's write itself is under way
    int m_storedAtJob = 0;
    std::vector<CJobRecord> m_jobs;
    std::vector<CWriteBegan> m_writesBegan;
    int m_noiseWrites = 0;
    std::string m_trouble;
    bool m_tracing = false;
    std::string m_trace;
};
