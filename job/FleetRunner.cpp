#include "job/FleetRunner.h"

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

void CFleetRunner::RunPort(std::size_t index, FleetMode mode)
{
    const CFleetPort& port = m_ports[index];
    const std::unique_ptr<CMicLink> link = port.makeLink();
    if (m_stopsTransfers)
        link->SetStopFlag(m_external ? m_external : &m_stop);
    CPortStation::CEvents events;
    events.state = [this, index](PortState state) { m_observer.OnState(index, state); };
    events.block = [this, index](int n, int total) { m_observer.OnBlock(index, n, total); };
    events.result = [this, index](const CMicRecord& record) {
        {
            const std::lock_guard<std::mutex> lock(m_totalsMutex);
            CPortTotals& totals = m_totals[index];
            const bool ok = record.Ok();
            if (m_quantity > 0) {
                m_inProgress = std::max(0, m_inProgress - 1);
                if (ok && ++m_goodUnits >= m_quantity)
                    m_stop = true;
            }
            totals.tally.Add(record);
            if (!ok)
                totals.failed.push_back(record);
        }
        m_observer.OnResult(index, record);
    };
    if (m_quantity > 0 || m_gate) {
        events.claim = [this] {
            if (m_gate && !m_gate())
                return false;
            const std::lock_guard<std::mutex> lock(m_totalsMutex);
            if (m_quantity == 0)
                return true;
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
    events.next = port.next;
    std::function<void(uint32_t)> pause = port.pause;
    if (!pause)
        pause = [this](uint32_t ms) { PauseMs(ms); };
    CPortStation station(port.name, *link, m_makeJob(*link, port.name), m_stop, pause,
                         std::move(events));
    switch (mode) {
    case FleetMode::kOnce:
        station.RunOnce();
        break;
    case FleetMode::kContinuous:
        station.RunContinuous();
        break;
    case FleetMode::kRepeated:
        station.RunRepeated();
        break;
    }
    link->SetStopFlag(nullptr);
    const std::lock_guard<std::mutex> lock(m_totalsMutex);
    m_totals[index].ended = true;
    m_totals[index].neverOpened = mode == FleetMode::kContinuous && station.PortNeverOpened();
}

void CFleetRunner::Run(FleetMode mode)
{
    // Threads of Qt's own, so that each has the event dispatcher that a
    // system serial port needs.
    std::vector<std::unique_ptr<QThread>> threads;
    for (std::size_t i = 0; i < m_ports.size(); ++i) {
        threads.emplace_back(QThread::create([this, i, mode] { RunPort(i, mode); }));
        threads.back()->start();
    }
    bool told = false;
    for (const std::unique_ptr<QThread>& thread : threads) {
        while (!thread->wait(QDeadlineTimer(kWatchMs))) {
            if (m_external && *m_external) {
                m_stopAsked = true;
                m_stop = true;
            }
            if (m_stopAsked && !told) {
                m_observer.OnStopRequested();
                told = true;
            }
        }
    }
    // A stop asked for as the last transfers ended is said all the same.
    if (m_stopAsked && !told)
        m_observer.OnStopRequested();
}
