#include "sim/MicSwap.h"

#include "link/Protocol.h"
#include "link/TickClock.h"

CMicSwap::CMicSwap(CVirtualMic& mic, ITickClock& clock, uint32_t swapAfterMs, NextImage next)
    : m_mic(mic), m_clock(clock), m_swapAfterMs(swapAfterMs), m_next(std::move(next))
{
    m_mic.SetReceiveHook([this](const uint8_t* data, std::size_t count, uint32_t rate) {
        OnReceive(data, count, rate);
    });
    // A transfer that broke off ends the microphone's job as a write does.
    m_mic.SetTransferEndHandler([this](bool whole) {
        if (!whole)
            NoteWritten();
    });
}

CMicSwap::~CMicSwap()
{
    m_mic.SetReceiveHook({});
    m_mic.SetTransferEndHandler({});
}

void CMicSwap::NoteWritten()
{
    if (m_written || m_empty)
        return;
    m_written = true;
    m_writtenAtMs = m_clock.NowMs();
}

void CMicSwap::Tell(const std::string& text) const
{
    if (m_notice)
        m_notice(text);
}

void CMicSwap::Unplug(uint32_t now)
{
    m_mic.SetPlugged(false);
    m_empty = true;
    m_emptySinceMs = now;
    m_ignoredRequests = 0;
    m_window.clear();
    Tell("microphone " + std::to_string(m_number) + " unplugged");
}

void CMicSwap::PlugNext()
{
    CVirtualMic::Image image{};
    std::string origin;
    if (!m_next || !m_next(image, origin)) {
        m_exhausted = true;
        Tell("no microphone left; the line stays empty");
        return;
    }
    ++m_number;
    m_mic.Replace(image);
    m_mic.SetPlugged(true);
    m_empty = false;
    m_written = false;
    Tell("microphone " + std::to_string(m_number) + " plugged in" +
         (origin.empty() ? std::string() : " (" + origin + ")"));
}

void CMicSwap::OnReceive(const uint8_t* data, std::size_t count, uint32_t rate)
{
    const uint32_t now = m_clock.NowMs();
    if (!m_empty) {
        if (!m_written || now - m_writtenAtMs < m_swapAfterMs || m_mic.InProgramMode())
            return;
        Unplug(now);
    } else if (!m_exhausted && m_ignoredRequests >= kEmptyProbes &&
               now - m_emptySinceMs >= kMinEmptyMs) {
        // Decided before these bytes are looked at, so that the requests
        // counted were all unanswered.
        PlugNext();
        if (!m_empty)
            return;
    }
    if (rate != m_mic.ListenRate()) {
        m_window.clear();
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        m_window.push_back(static_cast<char>(data[i]));
        if (m_window.size() > Wire::kEntryRequestSize)
            m_window.erase(0, m_window.size() - Wire::kEntryRequestSize);
        if (m_window == Wire::kEntryRequest) {
            ++m_ignoredRequests;
            m_window.clear();
        }
    }
}
