#include "sim/InProcessLine.h"

#include "link/Protocol.h"
#include "sim/VirtualMic.h"

#include <algorithm>

// The program's end of the line.
class CInProcessDevice : public IByteDevice
{
public:
    explicit CInProcessDevice(CInProcessLine& line) : m_line(line) {}
    ~CInProcessDevice() override { Close(); }

    bool Open(const std::string& name) override
    {
        if (m_line.m_open || (!m_line.m_deviceName.empty() && name != m_line.m_deviceName))
            return false;
        m_line.m_open = true;
        m_mine = true;
        ++m_line.m_openCount;
        m_line.m_incoming.clear();
        return true;
    }
    bool Close() override
    {
        if (m_mine)
            m_line.m_open = false;
        m_mine = false;
        return true;
    }
    bool IsOpen() const override { return m_mine; }
    bool SetQueueSizes(uint16_t, uint16_t) override { return m_mine; }
    bool SetLine(const CLineSettings& settings) override
    {
        if (!m_mine)
            return false;
        m_line.m_line = settings;
        return true;
    }
    bool SetDtr(bool on) override
    {
        m_line.m_dtr = on;
        return m_mine;
    }
    bool SetRts(bool on) override
    {
        m_line.m_rts = on;
        return m_mine;
    }
    bool PurgeInput() override
    {
        if (!m_mine)
            return false;
        const uint32_t now = m_line.m_clock.NowMs();
        auto& incoming = m_line.m_incoming;
        incoming.erase(std::remove_if(incoming.begin(), incoming.end(),
                                      [&](const auto& p) {
                                          return static_cast<int32_t>(p.arrivalMs - now) <= 0;
                                      }),
                       incoming.end());
        return true;
    }
    bool Write(const uint8_t* data, std::size_t count) override
    {
        if (!m_mine || m_line.m_writeFails)
            return false;
        const uint32_t rate = m_line.m_line.rate;
        const uint32_t sent = m_line.m_clock.NowMs();
        for (std::size_t i = 0; i < count; ++i)
            m_line.m_transcript.push_back({true, sent, rate, data[i]});
        m_line.m_clock.Advance(m_line.PaceMs(count, rate));
        std::vector<CMicSend> replies;
        m_line.m_mic.Receive(data, count, rate, replies);
        uint32_t at = m_line.m_clock.NowMs();
        for (const CMicSend& send : replies) {
            at += send.delayMs;
            for (const uint8_t byte : send.bytes) {
                at += m_line.PaceMs(1, send.rate);
                m_line.m_incoming.push_back({at, send.rate, byte});
            }
        }
        return true;
    }
    std::size_t Read(uint8_t* buffer, std::size_t count, uint32_t timeoutMs) override
    {
        if (!m_mine)
            return 0;
        CManualTickClock& clock = m_line.m_clock;
        const uint32_t deadline = clock.NowMs() + timeoutMs;
        std::size_t got = 0;
        auto& incoming = m_line.m_incoming;
        while (got < count && !incoming.empty() &&
               static_cast<int32_t>(incoming.front().arrivalMs - deadline) <= 0) {
            const CInProcessLine::CPending pending = incoming.front();
            incoming.pop_front();
            if (static_cast<int32_t>(pending.arrivalMs - clock.NowMs()) > 0)
                clock.Set(pending.arrivalMs);
            // A byte sent at another rate than the line's is lost as noise.
            if (pending.rate != m_line.m_line.rate)
                continue;
            m_line.m_transcript.push_back({false, pending.arrivalMs, pending.rate, pending.byte});
            buffer[got++] = pending.byte;
        }
        if (got < count)
            clock.Set(deadline);
        return got;
    }
    bool TakeLineClean() override { return m_mine && !m_line.m_mic.LineFault(); }
    bool IsRs232() override { return m_mine && m_line.m_rs232; }

private:
    CInProcessLine& m_line;
    bool m_mine = false;
};

CInProcessLine::CInProcessLine(CVirtualMic& mic, CManualTickClock& clock)
    : m_mic(mic), m_clock(clock)
{
}

ByteDeviceFactory CInProcessLine::Factory()
{
    return [this]() { return std::make_unique<CInProcessDevice>(*this); };
}

uint32_t CInProcessLine::PaceMs(std::size_t count, uint32_t rate) const
{
    if (!m_paced || rate == 0)
        return 0;
    return static_cast<uint32_t>(count * Wire::kBitsPerByte * kMsPerSecond / rate);
}

std::vector<uint8_t> CInProcessLine::Sent() const
{
    std::vector<uint8_t> bytes;
    for (const CWireByte& wire : m_transcript)
        if (wire.toDevice)
            bytes.push_back(wire.byte);
    return bytes;
}

std::vector<uint8_t> CInProcessLine::Received() const
{
    std::vector<uint8_t> bytes;
    for (const CWireByte& wire : m_transcript)
        if (!wire.toDevice)
            bytes.push_back(wire.byte);
    return bytes;
}
