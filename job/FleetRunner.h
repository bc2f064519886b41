#pragma once
#include "job/MicTally.h"
#include "job/PortStation.h"

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
    virtual void OnResult(std::size_t port, const CMicRecord& record) = 0;
    // Once, on the thread that runs the fleet, soon after a stop request
    // (not when the run reaches its quantity by itself).
    virtual void OnStopRequested() {}
};

// One port of the fleet.
struct CFleetPort
{
    std::string name; // its canonical name
    // Makes the port's link; called on the port's own thread, which the
    // link then lives and dies on.
    std::function<std::unique_ptr<CMicLink>()> makeLink;
    // Waits between probes for the given milliseconds, returning early on a
    // stop request; empty: the fleet's own wait on the system clock.
    std::function<void(uint32_t ms)> pause;
    // Asks the label of each microphone before it is taken (once or
    // continuously); false ends the port's run. Empty: no labels.
    std::function<bool(std::string& label)> label;
    // Run repeated: asked before each microphone whether it is connected
    // (and its label); false ends the port's run.
    std::function<bool(int number, std::string& label)> next;
};

// How the ports of a fleet take their microphones.
enum class FleetMode
{
    kOnce,       // one microphone each
    kContinuous, // each as it is connected, until a stop or the quantity
    kRepeated    // one after another as the user says the next is connected
};

// Each port's microphones when the fleet has ended.
struct CPortTotals
{
    CMicTally tally;
    std::vector<CMicRecord> failed; // the records of those that did not go well, in order
    bool ended = false;             // the port's thread has finished
    bool neverOpened = false;       // run continuously, the port did not open once
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

    // Runs every port and returns when all have ended.
    void Run(FleetMode mode);

    // Asks every port to end once the job in progress is over (with
    // SetStopsTransfers, at the next step of the transfer in progress); no
    // job starts after it. Only stores a flag, so a signal handler may call
    // it.
    void RequestStop()
    {
        m_stopAsked = true;
        m_stop = true;
        if (m_external)
            *m_external = true;
    }
    // A stop request stops the transfers in progress at their next step, as
    // one port's Ctrl+C does, instead of letting them finish.
    void SetStopsTransfers(bool stops) { m_stopsTransfers = stops; }
    // Stops as RequestStop does once `flag` is set as well (a signal
    // handler's); with SetStopsTransfers the links watch it themselves, and
    // RequestStop sets it too.
    void StopWith(std::atomic<bool>* flag) { m_external = flag; }
    // Run continuously, the run ends by itself once `count` microphones
    // were done well; no port takes a microphone while those done and
    // those in progress make `count`. 0: no quantity.
    void SetQuantity(int count) { m_quantity = count; }
    // Run continuously: a port takes a new microphone only while `ready`
    // says so (the shop's record can be reached); it waits meanwhile.
    void SetGate(std::function<bool()> ready) { m_gate = std::move(ready); }
    bool StopRequested() const { return m_stop; }

    const std::vector<CPortTotals>& Totals() const { return m_totals; }
    const std::vector<CFleetPort>& Ports() const { return m_ports; }

private:
    void RunPort(std::size_t index, FleetMode mode);
    // The system clock's wait: slices short enough to notice a stop request.
    void PauseMs(uint32_t ms) const;

    std::vector<CFleetPort> m_ports;
    MicJobFactory m_makeJob;
    IFleetObserver& m_observer;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_stopAsked{false}; // by RequestStop or the flag, not the quantity
    std::mutex m_totalsMutex;
    std::vector<CPortTotals> m_totals;
    bool m_stopsTransfers = false;
    std::atomic<bool>* m_external = nullptr;
    std::function<bool()> m_gate;
    int m_quantity = 0;   // microphones to do well; 0: no end but a stop
    int m_goodUnits = 0;  // under m_totalsMutex
    int m_inProgress = 0; // taken and not yet done, under m_totalsMutex
};
