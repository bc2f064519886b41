#pragma once
#include "core/ConfigStore.h"
#include "link/FleetRunner.h"
#include "link/JobResult.h"
#include "link/ProgrammingJob.h"

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
    std::string name; // as the user named it
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
    // Run continuously: the label of each microphone before it is taken
    // (a scanner, a list); false ends the port's run. Empty: no labels.
    std::function<bool(std::string& label)> label;
};

// What a production run does with each microphone.
struct CProductionSettings
{
    // Read-back and its wait, skip, backup folder, data file, the way back;
    // the port is set per port and the log is the run's.
    CJobSettings job;
    std::string logPath; // a line per transfer; empty: none
    bool continuous = false;
    bool check = false; // read and compare each microphone only (verify)
    // Run continuously: end by itself once this many microphones were done
    // well (failures do not count); 0: until a stop request.
    int count = 0;
};

// The whole run in numbers: what the summary says.
struct CRunSummary
{
    int done = 0;      // microphones done as asked, those left alone not counted
    int unchanged = 0; // left alone: they held the configuration
    int failed = 0;
    std::vector<std::string> failedUnits; // "COM4 microphone 2", in port order
    std::vector<std::string> neverOpened; // ports that did not open once
    // What done means: "written and verified", "written", "hold the
    // configuration".
    std::string doneWord;
    int target = 0; // the run's quantity; 0: none, the sentence counts all taken
};

// "In all: 5 of 6 microphones written and verified. Unchanged (they held
// the configuration already): 1. Failed: COM4 microphone 2."; with a
// quantity it is of the quantity: "In all: 12 of 25 microphones ...".
std::string SummarySentence(const CRunSummary& summary);
// Why a microphone's label is refused ("it holds a control character",
// "it is longer than 64 characters"); empty for a good label. A trailing
// CR (a scanner's, a file's line end) is dropped first.
constexpr std::size_t kLongestLabel = 64;
std::string LabelProblem(std::string& label);
// "COM3: microphone 2: verified" ("COM3: microphone 2 (SN-0042): ..." with
// a label), and the outcome's message in brackets when it has one.
std::string ResultLine(const std::string& port, int number, const CMicOutcome& outcome);
// The verdict of a run from its ports' totals: the worst outcome of any
// microphone, then whether every port did its part (run once, each did
// its microphone; continuously, each opened at least once).
Verdict RunVerdict(const std::vector<CPortTotals>& totals, bool continuous);

// A production run: `image` written to (or, with `check`, compared with)
// microphone after microphone on every port at once, one thread per port,
// once or continuously until a stop request, each microphone as the
// settings say and logged in the run's log. The run gives back each
// microphone's outcome as it comes (to the observer) and, once it has
// ended, the ports' totals, the summary and the verdict.
class CProductionRun : private IFleetObserver
{
public:
    // `clock` keys the backup files; it must outlive the run.
    CProductionRun(const CConfigStore::Image& image, std::vector<CProductionPort> ports,
                   CProductionSettings settings, const ILocalClock& clock);
    ~CProductionRun() override;
    CProductionRun(const CProductionRun&) = delete;
    CProductionRun& operator=(const CProductionRun&) = delete;

    // Whether the log can be written, checked before any microphone is
    // touched; false with `error` set ("cannot write the log run.csv").
    bool CheckLog(std::string& error) const;
    // Runs every port and returns when all have ended; false with `error`
    // set, and nothing run, when the log cannot be written. `observer`
    // hears the ports from their threads.
    bool Run(IFleetObserver& observer, std::string& error);

    // Asks every port to end once the job in progress is over. Only stores
    // a flag, so a signal handler may call it; before Run, no job starts.
    void RequestStop();
    bool StopRequested() const;

    const std::vector<std::string>& PortNames() const { return m_names; }
    // Each port's totals once the run has ended; none before.
    const std::vector<CPortTotals>& Totals() const;
    CRunSummary Summary() const;
    Verdict GetVerdict() const { return RunVerdict(Totals(), m_settings.continuous); }

private:
    // The runner's events, passed on to the observer of Run.
    void OnState(std::size_t port, PortState state) override;
    void OnBlock(std::size_t port, int n, int total) override;
    void OnResult(std::size_t port, int number, const CMicOutcome& outcome) override;
    void OnStopRequested() override;

    std::vector<std::string> m_names;
    const CProductionSettings m_settings;
    std::unique_ptr<CTransferLog> m_log;
    IFleetObserver* m_observer = nullptr;
    std::unique_ptr<CFleetRunner> m_runner;
    bool m_numberPorts = false; // a port of the system is named by its number
    bool m_ended = false;
};
