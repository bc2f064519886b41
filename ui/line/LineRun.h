#pragma once
#include "core/ConfigStore.h"
#include "link/FleetRunner.h"
#include "link/ProgrammingJob.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CTransferLog;
class ILocalClock;

// Where a run's ports come from: the system's serial ports, or lines that
// a test plays.
struct CLineSetup
{
    // Makes the link of a port as the user named it, on the port's thread;
    // empty: the system's port of that name.
    std::function<std::unique_ptr<CMicLink>(const std::string& port)> makeLink;
    // The wait between probes on a port; empty: the system clock.
    std::function<void(const std::string& port, uint32_t ms)> pause;
};

// One production run: the fleet's ports programming microphone after
// microphone, each on its own thread, until a stop request. The fleet is
// run from a thread of its own, so nothing here ever waits for a port: what
// the ports tell arrives as signals, queued to the thread this object lives
// on.
class CLineRun : public QObject, private IFleetObserver
{
    Q_OBJECT
public:
    // `clock` keys the backup files and must outlive the run.
    CLineRun(const ILocalClock& clock, CLineSetup setup, QObject* parent = nullptr);
    // Asks a run in progress to stop and waits until it has ended.
    ~CLineRun() override;

    // Starts writing `image` on `ports` as `settings` say (their log is
    // replaced by the file at `logPath`, none when empty). False with
    // `error` set, and nothing started, when the log cannot be written or a
    // run is in progress.
    bool Start(const CConfigStore::Image& image, const std::vector<std::string>& ports,
               CJobSettings settings, const std::string& logPath, std::string& error);
    // As Ctrl+C does for the command-line tool: the transfers in progress
    // finish, no new one starts.
    void RequestStop();

    bool Running() const { return m_running; }
    bool StopRequested() const { return m_runner && m_runner->StopRequested(); }
    // Each port's totals once the run has ended; none while it runs.
    std::vector<CPortTotals> Totals() const;

signals:
    void StateChanged(int port, int state);           // a PortState
    void BlockMoved(int port, int n, int total);      // block n of total starts
    void ResultCame(int port, int number, int result, // a JobResult
                    const QString& message, bool ok);
    // The fleet's thread has ended; Totals are whole.
    void Ended();

private:
    void OnState(std::size_t port, PortState state) override;
    void OnBlock(std::size_t port, int n, int total) override;
    void OnResult(std::size_t port, int number, const CMicOutcome& outcome) override;

    const ILocalClock& m_clock;
    const CLineSetup m_setup;
    std::unique_ptr<CTransferLog> m_log;
    std::unique_ptr<CFleetRunner> m_runner;
    std::unique_ptr<QThread> m_thread;
    bool m_running = false;
};
