#pragma once
#include "core/ConfigStore.h"
#include "link/FleetRunner.h"
#include "link/ProductionRun.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ILocalClock;

// Where a run's ports come from: the system's serial ports, or lines that
// a test plays.
struct CProductionSetup
{
    // Makes the link of a port as the user named it, on the port's thread;
    // empty: the system's port of that name.
    std::function<std::unique_ptr<CMicLink>(const std::string& port)> makeLink;
    // The wait between probes on a port; empty: the system clock.
    std::function<void(const std::string& port, uint32_t ms)> pause;
    // Why a port does not open, in one line; empty: what doctor's survey of
    // the machine finds (diag/PortTrouble.h).
    std::function<std::string(const std::string& port)> whyNotOpen;
};

// The production run of the window, run from a thread of its own, so that
// nothing here ever waits for a port: what the ports tell arrives as
// signals, queued to the thread this object lives on.
class CProductionThread : public QObject, private IFleetObserver
{
    Q_OBJECT
public:
    // `clock` keys the backup files and must outlive the run.
    CProductionThread(const ILocalClock& clock, CProductionSetup setup, QObject* parent = nullptr);
    // Asks a run in progress to stop and waits until it has ended.
    ~CProductionThread() override;

    // Starts writing `image` on `ports` continuously as `settings` say.
    // False with `error` set, and nothing started, when the log cannot be
    // written or a run is in progress.
    bool Start(const CConfigStore::Image& image, const std::vector<std::string>& ports,
               CProductionSettings settings, std::string& error);
    // As Ctrl+C does for the command-line tool: the transfers in progress
    // finish, no new one starts.
    void RequestStop();

    bool Running() const { return m_running; }
    bool StopRequested() const { return m_run && m_run->StopRequested(); }
    // The run just ended, or none; only once it has ended.
    const CProductionRun* Run() const { return m_running ? nullptr : m_run.get(); }

signals:
    void StateChanged(int port, int state);           // a PortState
    void BlockMoved(int port, int n, int total);      // block n of total starts
    void ResultCame(int port, int number, int result, // a JobResult
                    const QString& message, bool ok);
    // The run's thread has ended; Run() is whole.
    void Ended();

private:
    void OnState(std::size_t port, PortState state) override;
    void OnBlock(std::size_t port, int n, int total) override;
    void OnResult(std::size_t port, int number, const CMicOutcome& outcome) override;

    const ILocalClock& m_clock;
    const CProductionSetup m_setup;
    std::unique_ptr<CProductionRun> m_run;
    std::unique_ptr<QThread> m_thread;
    bool m_running = false;
};
