#include "job/PortStation.h"

#include "link/MicLink.h"
#include "link/Session.h"

Presence ProbeMicrophone(CMicLink& link, CSessionResult* session)
{
    const CSessionResult result = RunSession(link, SessionWork::kProbe);
    if (session)
        *session = result;
    if (result.stage == SessionStage::kPort) {
        link.SetOpen(0);
        return Presence::kPortFailed;
    }
    return result.Entered() ? Presence::kPresent : Presence::kAbsent;
}

CPortStation::CPortStation(std::string port, CMicLink& link, MicJob job,
                           const std::atomic<bool>& stop, std::function<void(uint32_t ms)> pause,
                           CEvents events)
    : m_port(std::move(port)), m_link(link), m_job(std::move(job)), m_stop(stop),
      m_pause(std::move(pause)), m_events(std::move(events))
{
}

void CPortStation::SetState(PortState state)
{
    m_state = state;
    if (m_events.state)
        m_events.state(state);
}

void CPortStation::Program(int number, const std::string& label)
{
    SetState(PortState::kWriting);
    CJobContext progress;
    progress.port = m_port;
    progress.microphone = number;
    progress.label = label;
    progress.block = [this](int n, int total) {
        if (m_events.block)
            m_events.block(n, total);
    };
    progress.phase = [this](JobPhase phase) {
        const PortState state = phase == JobPhase::kVerifying ? PortState::kVerifying
                                : phase == JobPhase::kWriting ? PortState::kWriting
                                                              : PortState::kReading;
        if (state != m_state)
            SetState(state);
    };
    CMicRecord record = m_job(m_link, progress);
    record.port = m_port;
    record.microphone = number;
    record.label = label;
    if (m_events.result)
        m_events.result(record);
}

void CPortStation::RunOnce()
{
    std::string label;
    if (!m_stop && (!m_events.label || m_events.label(label)))
        Program(1, label);
    SetState(PortState::kFinished);
}

void CPortStation::RunContinuous()
{
    int number = 0;
    PortState shown = PortState::kStarting;
    const auto show = [&](PortState state) {
        if (state != shown)
            SetState(state);
        shown = state;
    };
    show(PortState::kWaiting);
    while (!m_stop) {
        const Presence presence = ProbeMicrophone(m_link);
        m_portTried = true;
        if (presence != Presence::kPortFailed)
            m_portOpened = true;
        if (presence != Presence::kPresent) {
            show(presence == Presence::kPortFailed ? PortState::kNoPort : PortState::kWaiting);
            m_pause(kProbePauseMs);
            continue;
        }
        if (m_stop)
            break;
        if (m_events.claim && !m_events.claim()) {
            show(PortState::kWaiting);
            m_pause(kProbePauseMs);
            continue;
        }
        std::string label;
        if (m_events.label && !m_events.label(label)) {
            if (m_events.unclaim)
                m_events.unclaim();
            break;
        }
        Program(++number, label);
        shown = PortState::kWriting;
        show(PortState::kRemoving);
        // Removed means: the port opens and nothing answers. An adapter
        // pulled meanwhile is no removal, the microphone may still be on it.
        int misses = 0;
        while (!m_stop && misses < kGoneAfterMisses) {
            const Presence still = ProbeMicrophone(m_link);
            show(still == Presence::kPortFailed ? PortState::kNoPort : PortState::kRemoving);
            if (still == Presence::kAbsent) {
                ++misses;
                continue;
            }
            misses = 0;
            m_pause(kProbePauseMs);
        }
        if (!m_stop)
            show(PortState::kWaiting);
    }
    SetState(PortState::kFinished);
}

void CPortStation::RunRepeated()
{
    // A stop that the link itself watches (one port's Ctrl+C) ends the run
    // as soon as the transfer it stopped has ended.
    const auto stopped = [this] { return m_stop || m_link.StopRequested(); };
    for (int number = 1; !stopped(); ++number) {
        std::string label;
        if (!m_events.next || !m_events.next(number, label) || stopped())
            break;
        Program(number, label);
        SetState(PortState::kWaiting);
    }
    SetState(PortState::kFinished);
}
