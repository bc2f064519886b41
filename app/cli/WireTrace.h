#pragma once
#include "link/SerialPort.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

class CConsoleTransferView;
class CMicLink;

// Every byte on the wire as it travels and without its mask (--trace).
class CWireTrace : public IWireObserver
{
public:
    // `view`'s counter line is ended before each trace line.
    CWireTrace(const CMicLink& link, CConsoleTransferView& view, std::ostream& out);

    void OnWire(bool toDevice, const uint8_t* bytes, std::size_t count, uint32_t tickMs,
                uint32_t rate) override;
    void OnOpened(const std::string& name, LowLatency lowLatency) override;

private:
    const CMicLink& m_link;
    CConsoleTransferView& m_view;
    std::ostream& m_out;
    bool m_started = false;
    uint32_t m_startMs = 0;
};
