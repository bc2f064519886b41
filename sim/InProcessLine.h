#pragma once
#include "link/ByteDevice.h"
#include "link/TickClock.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class CVirtualMic;

// One byte on an in-process line, as it travelled.
struct CWireByte
{
    bool toDevice;   // sent by the program
    uint32_t timeMs; // when it was sent (program) or arrived (microphone)
    uint32_t rate;   // the sender's line rate
    uint8_t byte;
};

// A line between the program and a virtual microphone inside the process.
// Time is the tick clock that the test moves: a read that waits for bytes
// moves the clock to their arrival, or to the end of the read time-out, so
// no test waits out a real time-out. Every byte is kept in a transcript.
class CInProcessLine
{
public:
    CInProcessLine(CVirtualMic& mic, CManualTickClock& clock);

    // Devices on this line, for CSerialPort.
    ByteDeviceFactory Factory();

    // Device names that open; empty accepts every name.
    void SetDeviceName(const std::string& name) { m_deviceName = name; }
    // Whether an opened device reports itself a serial line.
    void SetRs232(bool rs232) { m_rs232 = rs232; }
    // Makes every write fail.
    void SetWriteFails(bool fails) { m_writeFails = fails; }
    // Bytes travel at their line pace (11 bits a byte) when on.
    void SetPaced(bool paced) { m_paced = paced; }

    const std::vector<CWireByte>& Transcript() const { return m_transcript; }
    void ClearTranscript() { m_transcript.clear(); }
    // The program's bytes, or the microphone's, in order.
    std::vector<uint8_t> Sent() const;
    std::vector<uint8_t> Received() const;

    bool IsOpen() const { return m_open; }
    const CLineSettings& Line() const { return m_line; }
    bool Dtr() const { return m_dtr; }
    bool Rts() const { return m_rts; }
    int OpenCount() const { return m_openCount; }

private:
    friend class CInProcessDevice;
    struct CPending
    {
        uint32_t arrivalMs;
        uint32_t rate;
        uint8_t byte;
    };

    uint32_t PaceMs(std::size_t count, uint32_t rate) const;

    CVirtualMic& m_mic;
    CManualTickClock& m_clock;
    std::deque<CPending> m_incoming;
    std::vector<CWireByte> m_transcript;
    CLineSettings m_line;
    std::string m_deviceName;
    bool m_open = false;
    bool m_dtr = false;
    bool m_rts = false;
    bool m_rs232 = true;
    bool m_writeFails = false;
    bool m_paced = false;
    int m_openCount = 0;
};
