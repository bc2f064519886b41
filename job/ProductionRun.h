#pragma once
#include "core/ConfigStore.h"
#include "job/FleetRunner.h"
#include "job/JobResult.h"
#include "job/MicLabel.h"
#include "job/MicTally.h"
#include "job/ProgrammingJob.h"
#include "job/TransferLog.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMicLink;
class CTransferLog;
class ILocalClock;

// One port of a production run.
struct CProductionPort
{
    std::string name; // its canonical name
    // Makes the port's link, on the port's thread; empty: the system's
    // port of that name, whose waits sleep.
    std::function<std::unique_ptr<CMicLink>()> makeLink;
    // Waits between probes, returning early on a stop request; empty: the
    // system clock.
    std::function<void(uint32_t ms)> pause;
    // This port's own backup folder and local clock; empty and nullptr: the
    // run's.
    std::string backupDir;
    const ILocalClock* clock = nullptr;
    // The label of each microphone before it is taken (a scanner, a list,
    // a counter), once or continuously; false ends the port's run. Empty: no
    // labels.
    std::function<bool(std::string& label)> label;
    // Run repeated: before each microphone, whether it is connected and its
    // label; false ends the run.
    std::function<bool(int number, std::string& label)> next;
};

// What a production run does with each microphone.
struct CProductionSettings
{
    // Read-back and its wait, skip, backup folder, data file, the log's
    // message; the port is set per port and the log is the run's.
    CJobSettings job;
    std::string logPath; // a line per transfer; empty: none
    FleetMode mode = FleetMode::kOnce;
    bool check = false; // read and compare each microphone only (verify)
    // Run continuously: end by itself once this many microphones were done
    // well (failures do not count); 0: until a stop request.
    int count = 0;
    // The labels given out; a microphone that did not go well gives its own
    // back. nullptr: none kept. Must outlive the run.
    CLabelBook* labels = nullptr;
    // The shop's record, in `job`: while it cannot be reached, a continuous
    // run takes no new microphone.
};

// The whole run in numbers: what its summary says.
struct CRunSummary
{
    CMicTally tally;
    std::vector<CMicRecord> failed;       // those that did not go well, in port order
    std::vector<std::string> neverOpened; // ports that did not open once
    bool check = false;                   // each was compared, not written
    bool verify = true;                   // each write was read back
    int target = 0; // the run's quantity; 0: none, the summary counts all taken
};

// The verdict of a run from its ports' totals: the worst outcome of any
// microphone, then whether every port did its part (run once, each did
// its microphone; continuously, each opened at least once).
Verdict RunVerdict(const std::vector<CPortTotals>& totals, FleetMode mode);

// A production run: `image` written to (or, with `check`, compared with)
// microphone after microphone on every port at once, one thread per port,
// once, continuously until a stop request, or one after another as the
// user says, each microphone as the settings say and logged in the run's
// log. Each microphone's record comes to the observer as it ends; once the
// run has ended, the ports' totals, the summary and the verdict.
class CProductionRun : private IFleetObserver
{
public:
    // `clock` keys the backup files; it must outlive the run.
    CProductionRun(const CConfigStore::Image& image, std::vector<CProductionPort> ports,
                   CProductionSettings settings, const ILocalClock& clock);
    ~CProductionRun() override;
    CProductionRun(const CProductionRun&) = delete;
    CProductionRun& operator=(const CProductionRun&) = delete;

    // What the log is, checked before any microphone is touched.
    LogFileState CheckLog() const;
    // Runs every port and returns when all have ended; false, and nothing
    // run, when the log is no log or cannot be written (`state` says which).
    // `observer` hears the ports from their threads.
    bool Run(IFleetObserver& observer, LogFileState& state);

    // Asks every port to end once the job in progress is over (repeated: at
    // the transfer's next step). Only stores a flag, so a signal handler may
    // call it; before Run, no job starts.
    void RequestStop();
    bool StopRequested() const;
    // Stops as RequestStop does once `flag` is set (a signal handler's).
    void StopWith(std::atomic<bool>* flag);

    const std::vector<std::string>& PortNames() const { return m_names; }
    const CProductionSettings& Settings() const { return m_settings; }
    // Each port's totals once the run has ended; none before.
    const std::vector<CPortTotals>& Totals() const;
    CRunSummary Summary() const;
    Verdict GetVerdict() const { return RunVerdict(Totals(), m_settings.mode); }

private:
    // The runner's events, passed on to the observer of Run.
    void OnState(std::size_t port, PortState state) override;
    void OnBlock(std::size_t port, int n, int total) override;
    void OnResult(std::size_t port, const CMicRecord& record) override;
    void OnStopRequested() override;

    std::vector<std::string> m_names;
    const CProductionSettings m_settings;
    std::unique_ptr<CTransferLog> m_log;
    IFleetObserver* m_observer = nullptr;
    std::unique_ptr<CFleetRunner> m_runner;
    bool m_numberPorts = false; // a port of the system is named by its number
    bool m_ended = false;
};
