#include "link/FleetRunner.h"

#include "link/MicLink.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
// How often a pause looks at the stop request.
constexpr uint32_t kPauseSliceMs = 50;
// How often the thread that runs the fleet looks for a stop request.
constexpr int kWatchMs = 100;
} // namespace

CFleetRunner::CFleetRunner(std::vector<CFleetPort> ports, MicJob job, IFleetObserver& observer)
    : CFleetRunner(
          std::move(ports), [job = std::move(job)](CMicLink&, const std::string&) { return job; },
          observer)
{
}

CFleetRunner::CFleetRunner(std::vector<CFleetPort> ports, MicJobFactory makeJob,
                           IFleetObserver& observer)
    : m_ports(std::move(ports)), m_makeJob(std::move(makeJob)), m_observer(observer),
      m_totals(m_ports.size())
{
}

CFleetRunner::~CFleetRunner() = default;

void CFleetRunner::PauseMs(uint32_t ms) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!m_stop) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            until - now, std::chrono::milliseconds(kPauseSliceMs)));
    }
}

void CFleetRunner::RunPort(std::size_t index, bool continuous)
{
    const CFleetPort& port = m_ports[index];
    const std::unique_ptr<CMicLink> link = port.makeLink();
    CPortStation::CEvents events;
    events.state = [this, index](PortState state) { m_observer.OnState(index, state); };
    events.block = [this, index](int n, int total) { m_observer.OnBlock(index, n, total); };
    events.result = [this, index](int number, const CMicOutcome& outcome) {
        {
            const std::lock_guard<std::mutex> lock(m_totalsMutex);
            CPortTotals& totals = m_totals[index];
            const Verdict verdict = outcome.GetVerdict();
            if (m_quantity > 0) {
                m_inProgress = std::max(0, m_inProgress - 1);
                if (verdict == Verdict::kOk && ++m_goodUnits >= m_quantity)
                    m_stop = true;
            }
            if (verdict == Verdict::kOk) {
                ++totals.done;
                if (outcome.result == JobResult::kUnchanged)
                    ++totals.unchanged;
            } else {
                totals.failed.push_back(number);
                if (verdict == Verdict::kNotVerified)
                    ++totals.notVerified;
                if (verdict == Verdict::kHoldsOther)
                    ++totals.holdsOther;
            }
        }
        m_observer.OnResult(index, number, outcome);
    };
    if (m_quantity > 0) {
        events.claim = [this] {
            const std::lock_guard<std::mutex> lock(m_totalsMutex);
            if (m_goodUnits + m_inProgress >= m_quantity)
                return false;
            ++m_inProgress;
            return true;
        };
        events.unclaim = [this] {
            const std::lock_guard<std::mutex> lock(m_totalsMutex);
            m_inProgress = std::max(0, m_inProgress - 1);
        };
    }
    events.label = port.label;
    std::function<void(uint32_t)> pause = port.pause;
    if (!pause)
        pause = [this](uint32_t ms) { PauseMs(ms); };
    CPortStation station(port.name, *link, m_makeJob(*link, port.name), m_stop, pause,
                         std::move(events));
    if (continuous)
        station.RunContinuous();
    else
        station.RunOnce();
    const std::lock_guard<std::mutex> lock(m_totalsMutex);
    m_totals[index].ended = true;
    m_totals[index].neverOpened = continuous && station.PortNeverOpened();
}

void CFleetRunner::Run(bool continuous)
{
    // Threads of Qt's own, so that each has the event dispatcher that a
    // system serial port needs.
    std::vector<std::unique_ptr<QThread>> threads;
    for (std::size_t i = 0; i < m_ports.size(); ++i) {
        threads.emplace_back(QThread::create([this, i, continuous] { RunPort(i, continuous); }));
        threads.back()->start();
    }
    bool told = false;
    for (const std::unique_ptr<QThread>& thread : threads) {
        while (!thread->wait(QDeadlineTimer(kWatchMs))) {
            if (m_stop && !told) {
                m_observer.OnStopRequested();
                told = true;
            }
        }
    }
}
