#include "app/cli/WireTrace.h"

#include "app/cli/ConsoleTransferView.h"
#include "link/MicLink.h"
#include "link/TickClock.h"

#include <cstdio>
#include <iomanip>
#include <ostream>

namespace {

// The plain bytes line up under the wire bytes.
constexpr std::size_t kPlainIndent = 28;

std::string Hex(uint8_t byte)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

} // namespace

CWireTrace::CWireTrace(const CMicLink& link, CConsoleTransferView& view, std::ostream& out)
    : m_link(link), m_view(view), m_out(out)
{
}

void CWireTrace::OnWire(bool toDevice, const uint8_t* bytes, std::size_t count, uint32_t tickMs,
                        uint32_t rate)
{
    if (!m_started) {
        m_startMs = tickMs;
        m_started = true;
    }
    m_view.EndLine();
    const uint32_t elapsed = tickMs - m_startMs;
    const uint8_t mask = m_link.GetMask();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%5u.%03u", elapsed / kMsPerSecond, elapsed % kMsPerSecond);
    m_out << stamp << (toDevice ? " P>M " : " M>P ") << std::setw(5) << rate << " mask "
          << Hex(mask) << "  wire:";
    for (std::size_t i = 0; i < count; ++i)
        m_out << " " << Hex(bytes[i]);
    m_out << "\n" << std::string(kPlainIndent, ' ') << "plain:";
    for (std::size_t i = 0; i < count; ++i)
        m_out << " " << Hex(static_cast<uint8_t>(bytes[i] ^ mask));
    m_out << "\n" << std::flush;
}

void CWireTrace::OnOpened(const std::string& name, LowLatency lowLatency)
{
    m_view.EndLine();
    m_out << "opened " << name << ", low latency " << LowLatencyText(lowLatency) << "\n"
          << std::flush;
}
