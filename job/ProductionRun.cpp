#include "job/ProductionRun.h"

#include "job/PortWriter.h"
#include "job/ShopRecord.h"
#include "job/TransferLog.h"
#include "link/MicLink.h"
#include "link/PortName.h"
#include "link/SystemPorts.h"

#include <algorithm>

namespace {

// A writer of `image` for each port, as the run's settings say, with the
// port's own backup folder and clock where it has them.
MicJobFactory PortJobs(const CConfigStore::Image& image, const std::vector<CProductionPort>& ports,
                       const CProductionSettings& settings, const CTransferLog* log,
                       const ILocalClock& clock)
{
    CJobSettings job = settings.job;
    job.log = log;
    return [image, ports, job, &clock, check = settings.check](CMicLink& link,
                                                               const std::string& name) {
        CJobSettings own = job;
        const ILocalClock* portClock = &clock;
        for (const CProductionPort& port : ports) {
            if (port.name != name)
                continue;
            if (!port.backupDir.empty())
                own.backupDir = port.backupDir;
            if (port.clock)
                portClock = port.clock;
        }
        return MakePortWriters(image, own, *portClock, check)(link, name);
    };
}

std::vector<CFleetPort> FleetPorts(const std::vector<CProductionPort>& ports)
{
    std::vector<CFleetPort> fleet;
    for (const CProductionPort& port : ports) {
        CFleetPort entry;
        entry.name = port.name;
        entry.makeLink =
            port.makeLink ? port.makeLink : [name = port.name] { return MakeSystemLink(name); };
        entry.pause = port.pause;
        entry.label = port.label;
        entry.next = port.next;
        fleet.push_back(std::move(entry));
    }
    return fleet;
}

} // namespace

Verdict RunVerdict(const std::vector<CPortTotals>& totals, FleetMode mode)
{
    bool notVerified = false;
    bool holdsOther = false;
    bool interrupted = false;
    bool allDone = true;
    for (const CPortTotals& port : totals) {
        const CMicTally& tally = port.tally;
        if (tally.failed > tally.notVerified + tally.holdsOther + tally.interrupted)
            return Verdict::kFailure;
        notVerified = notVerified || tally.notVerified > 0;
        holdsOther = holdsOther || tally.holdsOther > 0;
        interrupted = interrupted || tally.interrupted > 0;
        allDone = allDone && tally.failed == 0 && !port.neverOpened &&
                  (mode != FleetMode::kOnce || tally.good > 0);
    }
    if (interrupted)
        return Verdict::kInterrupted;
    if (holdsOther)
        return Verdict::kHoldsOther;
    if (notVerified)
        return Verdict::kNotVerified;
    return allDone ? Verdict::kOk : Verdict::kFailure;
}

CProductionRun::CProductionRun(const CConfigStore::Image& image, std::vector<CProductionPort> ports,
                               CProductionSettings settings, const ILocalClock& clock)
    : m_settings(std::move(settings)), m_log(std::make_unique<CTransferLog>(m_settings.logPath))
{
    for (const CProductionPort& port : ports) {
        m_names.push_back(port.name);
        m_numberPorts = m_numberPorts || (!port.makeLink && PortNumberOf(port.name) > 0);
    }
    const CTransferLog* log = m_settings.logPath.empty() ? nullptr : m_log.get();
    IFleetObserver& events = *this;
    m_runner = std::make_unique<CFleetRunner>(
        FleetPorts(ports), PortJobs(image, ports, m_settings, log, clock), events);
    if (m_settings.mode == FleetMode::kContinuous) {
        m_runner->SetQuantity(m_settings.count);
        if (CShopRecord* record = m_settings.job.record)
            m_runner->SetGate([record] {
                CRecordFault reason;
                return record->Ready(reason);
            });
    }
    // One after another, as one port's Ctrl+C does: the transfer stops at
    // its next step.
    m_runner->SetStopsTransfers(m_settings.mode == FleetMode::kRepeated);
}

CProductionRun::~CProductionRun() = default;

LogFileState CProductionRun::CheckLog() const
{
    LogVersion version = kNewestLog;
    return m_settings.logPath.empty() ? LogFileState::kNew
                                      : InspectLog(m_settings.logPath, version);
}

bool CProductionRun::Run(IFleetObserver& observer, LogFileState& state)
{
    state = CheckLog();
    if (state == LogFileState::kNotALog || state == LogFileState::kNotWritable)
        return false;
    if (m_numberPorts)
        NumberSystemPorts();
    m_observer = &observer;
    m_runner->Run(m_settings.mode);
    m_observer = nullptr;
    m_ended = true;
    return true;
}

void CProductionRun::RequestStop()
{
    m_runner->RequestStop();
}

void CProductionRun::StopWith(std::atomic<bool>* flag)
{
    m_runner->StopWith(flag);
}

bool CProductionRun::StopRequested() const
{
    return m_runner->StopRequested();
}

const std::vector<CPortTotals>& CProductionRun::Totals() const
{
    static const std::vector<CPortTotals> kNone;
    return m_ended ? m_runner->Totals() : kNone;
}

CRunSummary CProductionRun::Summary() const
{
    CRunSummary summary;
    summary.check = m_settings.check;
    summary.verify = m_settings.job.verify;
    summary.target = m_settings.mode == FleetMode::kContinuous ? m_settings.count : 0;
    const std::vector<CPortTotals>& totals = Totals();
    for (std::size_t i = 0; i < totals.size() && i < m_names.size(); ++i) {
        const CPortTotals& port = totals[i];
        summary.tally.Add(port.tally);
        summary.failed.insert(summary.failed.end(), port.failed.begin(), port.failed.end());
        if (port.neverOpened)
            summary.neverOpened.push_back(m_names[i]);
    }
    return summary;
}

void CProductionRun::OnState(std::size_t port, PortState state)
{
    if (m_observer)
        m_observer->OnState(port, state);
}

void CProductionRun::OnBlock(std::size_t port, int n, int total)
{
    if (m_observer)
        m_observer->OnBlock(port, n, total);
}

void CProductionRun::OnResult(std::size_t port, const CMicRecord& record)
{
    // A microphone put aside may be programmed again under its label.
    if (m_settings.labels && !record.Ok() && !record.label.empty())
        m_settings.labels->GiveBack(record.label);
    if (m_observer)
        m_observer->OnResult(port, record);
}

void CProductionRun::OnStopRequested()
{
    if (m_observer)
        m_observer->OnStopRequested();
}
