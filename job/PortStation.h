#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "job/MicRecord.h"

class CMicLink;
struct CSessionResult;

// Told n and the block total as block n - 1 starts to move.
using BlockReport = std::function<void(int n, int total)>;

// Where a job runs, and what it tells as it works.
struct CJobContext
{
    std::string port;   // its canonical name
    int microphone = 1; // the microphone's number on the port, from 1
    std::string label;  // the microphone's label; empty: none asked
    BlockReport block;
    // The job moves on to another phase.
    std::function<void(JobPhase phase)> phase;
};

// The work on one microphone: a whole transfer, run on the port's thread
// with the port's link, which it opens and closes itself.
using MicJob = std::function<CMicRecord(CMicLink& link, const CJobContext& progress)>;
// Makes the job of one port (by its canonical name), once, on that port's
// thread, for the port's link: what a job needs besides the link is
// assembled there once and serves every microphone of the port.
using MicJobFactory = std::function<MicJob(CMicLink& link, const std::string& port)>;

// What a port is doing.
enum class PortState
{
    kStarting,
    kWaiting,   // for a microphone to answer the entry
    kNoPort,    // the port does not open (cable or adapter missing); tried again
    kWriting,   // the job runs
    kReading,   // the job reads the microphone (before a write, or to check it)
    kVerifying, // the job reads the microphone back
    kRemoving,  // for the microphone just done to stop answering
    kFinished,  // ended
};

// Whether a microphone answers on the link's port.
enum class Presence
{
    kAbsent,    // the port opened, nothing answered the entry
    kPresent,   // a microphone answered the entry
    kPortFailed // the port did not open
};

// One short session that asks whether a microphone is on the line: the
// port is closed and opened, the entry into programming mode probed, and
// when it is answered the microphone is identified and programming mode
// ended (so that it is left as a transfer leaves it); the port is closed.
// Writes nothing to the microphone. `session`, when given, receives how the
// session went (the record of the microphone that answered).
Presence ProbeMicrophone(CMicLink& link, CSessionResult* session = nullptr);

// One port of a programming station, run on a thread of its own. Once:
// the job runs one time. Continuous: it waits for a microphone to answer,
// runs the job, then waits until that microphone no longer answers (so the
// same one is never done twice), and starts over; a stop request ends it
// between microphones, never during a job. Repeated: the job runs on one
// microphone after another as the user says the next is connected.
class CPortStation
{
public:
    // Probes a microphone must miss in a row before it counts as gone.
    static constexpr int kGoneAfterMisses = 2;
    // Pause between two probes.
    static constexpr uint32_t kProbePauseMs = 300;

    struct CEvents
    {
        std::function<void(PortState state)> state;
        std::function<void(int n, int total)> block;
        // After each microphone, numbered from 1 on this port.
        std::function<void(const CMicRecord& record)> result;
        // Run continuously: asked before a microphone that is present is
        // taken; false leaves it alone for now (a run's quantity is taken
        // by those done and in progress). Empty: always taken.
        std::function<bool()> claim;
        // Asked for the label of a microphone about to be taken (once or
        // continuously); false ends the run (no label came). Empty: no
        // labels.
        std::function<bool(std::string& label)> label;
        // A claim given back untaken (the run ended while asking a label).
        std::function<void()> unclaim;
        // Run repeated: asked before microphone `number` (the first
        // included) whether it is connected, and its label; false ends the
        // run.
        std::function<bool(int number, std::string& label)> next;
    };

    // `link` and `stop` must outlive the station. `pause` waits the given
    // milliseconds, returning early once `stop` is set.
    CPortStation(std::string port, CMicLink& link, MicJob job, const std::atomic<bool>& stop,
                 std::function<void(uint32_t ms)> pause, CEvents events);

    void RunOnce();
    void RunContinuous();
    void RunRepeated();

    // Whether the port was tried and never opened while the station waited
    // for microphones (continuous runs only); a stop before the first try
    // is not held against it.
    bool PortNeverOpened() const { return m_portTried && !m_portOpened; }

private:
    // Runs the job on one microphone and reports it.
    void Program(int number, const std::string& label = {});
    void SetState(PortState state);

    std::string m_port;
    CMicLink& m_link;
    MicJob m_job;
    const std::atomic<bool>& m_stop;
    std::function<void(uint32_t ms)> m_pause;
    CEvents m_events;
    PortState m_state = PortState::kStarting;
    bool m_portTried = false;
    bool m_portOpened = false;
};
