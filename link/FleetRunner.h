#pragma once
#include "link/PortStation.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CMicLink;

// What the fleet tells as it works. Calls come from the ports' threads,
// one port's calls in order; an observer must take calls from several
// ports at once.
class IFleetObserver
{
public:
    virtual ~IFleetObserver() = default;
    virtual void OnState(std::size_t port, PortState state) = 0;
    virtual void OnBlock(std::size_t port, int n, int total) = 0;
    virtual void OnResult(std::size_t port, int number, const CMicOutcome& outcome) = 0;
    // Once, on the thread that runs the fleet, soon after a stop request.
    virtual void OnStopRequested() {}
};

// One port of the fleet.
struct CFleetPort
{
    std::string name; // as the user named it
    // Makes the port's link; called on the port's own thread, which the
    // link then lives and dies on.
    std::function<std::unique_ptr<CMicLink>()> makeLink;
    // Waits between probes for the given milliseconds, returning early on a
    // stop request; empty: the fleet's own wait on the system clock.
    std::function<void(uint32_t ms)> pause;
    // Run continuously: asks the label of each microphone before it is
    // taken; false ends the port's run. Empty: no labels.
    std::function<bool(std::string& label)> label;
};

// Each port's totals when the fleet has ended.
struct CPortTotals
{
    int done = 0;             // microphones whose job succeeded
    std::vector<int> failed;  // numbers of those whose job failed
    int notVerified = 0;      // of those, written and logged but not read back
    int holdsOther = 0;       // of those, checked and logged: another configuration
    int unchanged = 0;        // of the done, left alone: they held the configuration
    bool ended = false;       // the port's thread has finished
    bool neverOpened = false; // run continuously, the port did not open once
};

// Programs microphones on several ports at once, one thread per port. The
// ports share nothing but the stop request and the observer: each has its
// own link, device, clock and job state, so a port that fails, hangs in a
// long wait or loses its cable neither stops nor holds up another.
class CFleetRunner
{
public:
    // Every port runs `job`.
    CFleetRunner(std::vector<CFleetPort> ports, MicJob job, IFleetObserver& observer);
    // Each port runs the job that `makeJob` makes for it on its thread.
    CFleetRunner(std::vector<CFleetPort> ports, MicJobFactory makeJob, IFleetObserver& observer);
    ~CFleetRunner();
    CFleetRunner(const CFleetRunner&) = delete;
    CFleetRunner& operator=(const CFleetRunner&) = delete;

    // Runs every port (once, or continuously) and returns when all have
    // ended.
    void Run(bool continuous);

    // Asks every port to end once the job in progress is over; no job
    // starts after it. Only stores a flag, so a signal handler may call it.
    void RequestStop() { m_stop = true; }
    // Run continuously, the run ends by itself once `count` microphones
    // were done well; no port takes a microphone while those done and
    // those in progress make `count`. 0: no quantity.
    void SetQuantity(int count) { m_quantity = count; }
    bool StopRequested() const { return m_stop; }

    const std::vector<CPortTotals>& Totals() const { return m_totals; }
    const std::vector<CFleetPort>& Ports() const { return m_ports; }

private:
    void RunPort(std::size_t index, bool continuous);
    // The system clock's wait: slices short enough to notice a stop request.
    void PauseMs(uint32_t ms) const;

    std::vector<CFleetPort> m_ports;
    MicJobFactory m_makeJob;
    IFleetObserver& m_observer;
    std::atomic<bool> m_stop{false};
    std::mutex m_totalsMutex;
    std::vector<CPortTotals> m_totals;
    int m_quantity = 0;   // microphones to do well; 0: no end but a stop
    int m_goodUnits = 0;  // under m_totalsMutex
    int m_inProgress = 0; // taken and not yet done, under m_totalsMutex
};
