#include "link/ProductionRun.h"

#include "link/MicLink.h"
#include "link/PortName.h"
#include "link/PortWriter.h"
#include "link/SystemPorts.h"
#include "link/TransferLog.h"

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
        fleet.push_back(std::move(entry));
    }
    return fleet;
}

} // namespace

std::string SummarySentence(const CRunSummary& summary)
{
    const int of =
        summary.target > 0 ? summary.target : summary.done + summary.unchanged + summary.failed;
    std::string text = "In all: " + std::to_string(summary.done) + " of " + std::to_string(of) +
                       " microphones " + summary.doneWord + ".";
    if (summary.unchanged > 0)
        text += " Unchanged (they held the configuration already): " +
                std::to_string(summary.unchanged) + ".";
    if (!summary.failedUnits.empty()) {
        text += " Failed: ";
        for (std::size_t i = 0; i < summary.failedUnits.size(); ++i)
            text += (i == 0 ? "" : ", ") + summary.failedUnits[i];
        text += ".";
    }
    return text;
}

std::string LabelProblem(std::string& label)
{
    if (!label.empty() && label.back() == '\r')
        label.pop_back();
    for (const char c : label)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "it holds a control character";
    if (label.size() > kLongestLabel)
        return "it is longer than " + std::to_string(kLongestLabel) + " characters";
    return {};
}

std::string ResultLine(const std::string& port, int number, const CMicOutcome& outcome)
{
    std::string line = port + ": microphone " + std::to_string(number) +
                       (outcome.label.empty() ? "" : " (" + outcome.label + ")") + ": " +
                       JobResultName(outcome.result);
    if (!outcome.message.empty())
        line += " (" + outcome.message + ")";
    return line;
}

Verdict RunVerdict(const std::vector<CPortTotals>& totals, bool continuous)
{
    bool notVerified = false;
    bool holdsOther = false;
    bool allDone = true;
    for (const CPortTotals& port : totals) {
        if (static_cast<int>(port.failed.size()) > port.notVerified + port.holdsOther)
            return Verdict::kFailure;
        notVerified = notVerified || port.notVerified > 0;
        holdsOther = holdsOther || port.holdsOther > 0;
        allDone =
            allDone && port.failed.empty() && !port.neverOpened && (continuous || port.done > 0);
    }
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
    if (m_settings.continuous)
        m_runner->SetQuantity(m_settings.count);
}

CProductionRun::~CProductionRun() = default;

bool CProductionRun::CheckLog(std::string& error) const
{
    return CanAppendLog(m_settings.logPath, error);
}

bool CProductionRun::Run(IFleetObserver& observer, std::string& error)
{
    if (!CheckLog(error))
        return false;
    if (m_numberPorts)
        NumberSystemPorts();
    m_observer = &observer;
    m_runner->Run(m_settings.continuous);
    m_observer = nullptr;
    m_ended = true;
    return true;
}

void CProductionRun::RequestStop()
{
    m_runner->RequestStop();
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
    summary.doneWord = m_settings.check        ? "hold the configuration"
                       : m_settings.job.verify ? "written and verified"
                                               : "written";
    summary.target = m_settings.continuous ? m_settings.count : 0;
    const std::vector<CPortTotals>& totals = Totals();
    for (std::size_t i = 0; i < totals.size() && i < m_names.size(); ++i) {
        const CPortTotals& port = totals[i];
        summary.done += port.done - port.unchanged;
        summary.unchanged += port.unchanged;
        summary.failed += static_cast<int>(port.failed.size());
        for (const int number : port.failed)
            summary.failedUnits.push_back(m_names[i] + " microphone " + std::to_string(number));
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

void CProductionRun::OnResult(std::size_t port, int number, const CMicOutcome& outcome)
{
    if (m_observer)
        m_observer->OnResult(port, number, outcome);
}

void CProductionRun::OnStopRequested()
{
    if (m_observer)
        m_observer->OnStopRequested();
}
