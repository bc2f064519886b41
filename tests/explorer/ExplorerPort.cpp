#include "ExplorerPort.h"

#include "words/RecordWords.h"

#include "link/MicLink.h"

#include <filesystem>
#include <fstream>
#include <vector>

void CStopBarrier::StopIfAllThere()
{
    if (m_stopped || m_there < m_ports)
        return;
    m_stopped = true;
    if (m_runner)
        m_runner->RequestStop();
    m_changed.notify_all();
}

void CStopBarrier::Arrive()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_there;
    StopIfAllThere();
    m_changed.wait(lock, [this] { return m_stopped; });
}

void CStopBarrier::Leave()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    ++m_there;
    StopIfAllThere();
}

bool CStopBarrier::Stopped() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopped;
}

// The line of the port, with the noise of the bursts that are on.
class CBurstDevice : public IByteDevice
{
public:
    CBurstDevice(std::unique_ptr<IByteDevice> inner, CExplorerPort& port)
        : m_inner(std::move(inner)), m_port(port)
    {
    }
    bool Open(const std::string& name) override { return m_inner->Open(name); }
    bool Close() override { return m_inner->Close(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    bool SetQueueSizes(uint16_t in, uint16_t out) override
    {
        return m_inner->SetQueueSizes(in, out);
    }
    bool SetLine(const CLineSettings& settings) override { return m_inner->SetLine(settings); }
    bool SetDtr(bool on) override { return m_inner->SetDtr(on); }
    bool SetRts(bool on) override { return m_inner->SetRts(on); }
    bool PurgeInput() override { return m_inner->PurgeInput(); }
    bool Write(const uint8_t* data, std::size_t count) override
    {
        std::vector<uint8_t> copy(data, data + count);
        if (CBitNoise* noise = m_port.NoiseNow())
            noise->Corrupt(copy.data(), copy.size());
        return m_inner->Write(copy.data(), copy.size());
    }
    std::size_t Read(uint8_t* buffer, std::size_t count, uint32_t timeoutMs) override
    {
        const std::size_t got = m_inner->Read(buffer, count, timeoutMs);
        if (CBitNoise* noise = m_port.NoiseNow())
            noise->Corrupt(buffer, got);
        m_port.Play();
        return got;
    }
    bool TakeLineClean() override { return m_inner->TakeLineClean(); }
    bool IsRs232() override { return m_inner->IsRs232(); }

private:
    std::unique_ptr<IByteDevice> m_inner;
    CExplorerPort& m_port;
};

CExplorerPort::CExplorerPort(const CSchedule& schedule, std::size_t index, std::string backupDir,
                             CStopBarrier& barrier)
    : m_schedule(schedule), m_plan(schedule.ports[index]), m_index(index),
      m_name("/dev/explorer-" + std::to_string(index)), m_backupDir(std::move(backupDir)),
      m_barrier(barrier)
{
    m_line.SetDeviceName(m_name);
    m_line.SetPaced(true); // bytes take their time on the line, as faults do
    m_mic.GetImage() = m_plan.units.front();
    m_snapshot = m_mic.GetImage();
    m_mic.SetReceiveHook([this](const uint8_t*, std::size_t, uint32_t) {
        Play();
        Watch();
    });
}

std::unique_ptr<CMicLink> CExplorerPort::MakeLink()
{
    ByteDeviceFactory inner = m_line.Factory();
    ByteDeviceFactory burst = [this, inner]() -> std::unique_ptr<IByteDevice> {
        std::unique_ptr<IByteDevice> device = inner();
        if (!device)
            return nullptr;
        return std::make_unique<CBurstDevice>(std::move(device), *this);
    };
    auto link = std::make_unique<CMicLink>(burst, m_ticks, m_local);
    link->SetDeviceName(m_name);
    return link;
}

void CExplorerPort::Pause(uint32_t ms)
{
    m_ticks.Advance(ms);
    Play();
}

CBitNoise* CExplorerPort::NoiseNow()
{
    const uint32_t now = Elapsed();
    for (CBurst& burst : m_bursts)
        if (now >= burst.fromMs && now < burst.untilMs)
            return burst.noise.get();
    return nullptr;
}

void CExplorerPort::PlayFault(const CFault& fault, uint32_t now)
{
    switch (fault.kind) {
    case FaultKind::kNoise:
        m_bursts.push_back(
            {now, now + fault.spanMs,
             std::make_unique<CBitNoise>(fault.ber, m_schedule.seed * 131 + m_index * 17 + now)});
        return;
    case FaultKind::kDrop:
        m_faults.dropAfterBlock = fault.count;
        break;
    case FaultKind::kSilence:
        m_faults.silent = true;
        m_silentUntilMs = now + fault.spanMs;
        break;
    case FaultKind::kSlowPrepare:
        m_faults.slowPrepareMs = fault.spanMs;
        break;
    case FaultKind::kNak:
        m_faults.nakWrites = fault.count;
        break;
    case FaultKind::kBadStore:
        m_faults.badStores = fault.count;
        break;
    case FaultKind::kLooseCable:
        m_loose = true;
        m_looseUntilMs = now + fault.spanMs;
        m_mic.SetPlugged(false);
        return;
    case FaultKind::kBackupFails: {
        namespace fs = std::filesystem;
        std::error_code code;
        fs::rename(m_backupDir, m_backupDir + ".gone", code);
        std::ofstream(m_backupDir) << "not a folder\n";
        return;
    }
    }
    m_mic.SetFaults(m_faults);
    // The microphone counts these down itself.
    m_faults.dropAfterBlock = -1;
    m_faults.nakWrites = 0;
    m_faults.badStores = 0;
}

void CExplorerPort::Play()
{
    const uint32_t now = Elapsed();
    if (!m_atStop && now >= m_schedule.stopAtMs) {
        m_atStop = true;
        m_barrier.Arrive();
    }
    constexpr uint32_t kRunLimitMs = 30u * 60u * 1000u;
    if (now > m_schedule.stopAtMs + kRunLimitMs && m_trouble.empty())
        m_trouble = "still running half an hour after the stop request";
    while (m_nextFault < m_plan.faults.size() && m_plan.faults[m_nextFault].atMs <= now) {
        Trace(FaultKindName(m_plan.faults[m_nextFault].kind));
        PlayFault(m_plan.faults[m_nextFault++], now);
    }
    if (m_faults.silent && now >= m_silentUntilMs) {
        m_faults.silent = false;
        m_mic.SetFaults(m_faults);
    }
    if (m_loose && now >= m_looseUntilMs) {
        m_loose = false;
        Trace("the loose cable holds again");
        m_mic.SetPlugged(m_plugged);
    }
    // The operator pulls a microphone once its result is shown, never
    // while its port shows a job under way (a loose cable can make the port
    // start one again on the same microphone): the job's result comes first.
    if (m_removePending && now >= m_removeAtMs && !m_inJob) {
        m_removePending = false;
        m_plugged = false;
        Trace("microphone " + std::to_string(m_unit + 1) + " unplugged");
        m_mic.SetPlugged(false);
        m_plugPending = static_cast<std::size_t>(m_unit) + 1 < m_plan.units.size();
        m_plugAtMs = now + m_plan.plugAfterMs[static_cast<std::size_t>(m_unit)];
    }
    if (m_plugPending && now >= m_plugAtMs)
        PlugNext();
}

void CExplorerPort::Trace(const std::string& text)
{
    if (m_tracing)
        m_trace += "    " + std::to_string(Elapsed()) + " ms: " + text + "\n";
}

void CExplorerPort::PlugNext()
{
    m_plugPending = false;
    ++m_unit;
    m_mic.Replace(m_plan.units[static_cast<std::size_t>(m_unit)]);
    m_plugged = true;
    m_mic.SetPlugged(!m_loose);
    m_snapshot = m_mic.GetImage();
    Trace("microphone " + std::to_string(m_unit + 1) + " plugged in");
}

void CExplorerPort::Watch()
{
    const int stored = m_mic.BlocksStored();
    if (stored != m_lastStored) {
        if (!m_inWrite && m_writePhase) {
            m_writesBegan.push_back({m_unit, Elapsed(), m_snapshot});
            Trace("microphone " + std::to_string(m_unit + 1) + " takes its first block");
        } else if (!m_inWrite)
            ++m_noiseWrites;
        m_inWrite = true;
        m_lastStored = stored;
    } else if (!m_mic.InProgramMode()) {
        m_inWrite = false;
    }
    if (!m_inWrite)
        m_snapshot = m_mic.GetImage();
}

void CExplorerPort::OnState(PortState state)
{
    Trace(PortStateText(state));
    if (state == PortState::kFinished) {
        if (!m_finished && !m_atStop)
            m_barrier.Leave();
        m_finished = true;
        return;
    }
    if (m_inJob) {
        m_writePhase = state == PortState::kWriting;
        return;
    }
    if (state != PortState::kWriting)
        return;
    // A job begins; it reads first for a backup or the skip.
    m_inJob = true;
    m_writePhase = !m_schedule.backup && !m_schedule.skipSame;
    m_storedAtJob = m_mic.BlocksStored();
    CJobRecord job;
    job.unit = m_unit;
    job.beganMs = Elapsed();
    job.begunAfterStop = m_barrier.Stopped();
    m_jobs.push_back(job);
}

void CExplorerPort::OnResult(const CMicRecord& outcome)
{
    if (!m_inJob || m_jobs.empty()) {
        m_trouble = "a result without a job";
        return;
    }
    m_inJob = false;
    m_writePhase = false;
    Trace("result: " + std::string(JobResultName(outcome.result)) + " " + RecordSentence(outcome));
    CJobRecord& job = m_jobs.back();
    job.ended = true;
    job.endedMs = Elapsed();
    job.outcome = outcome;
    job.blocksStored = m_mic.BlocksStored() - m_storedAtJob;
    job.imageAtEnd = m_mic.GetImage();
    if (m_schedule.continuous) {
        m_removePending = true;
        m_removeAtMs = Elapsed() + m_plan.removeAfterMs[static_cast<std::size_t>(m_unit)];
    }
}
