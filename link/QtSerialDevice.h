#pragma once
#include "link/ByteDevice.h"
#include "link/SerialPlatform.h"

#include <QSerialPort>

#include <functional>
#include <memory>

class ITickClock;

// A system serial port through QSerialPort, with the native handle where Qt
// has no call. Read deadlines are taken from `clock`.
class CQtSerialDevice : public IByteDevice
{
public:
    explicit CQtSerialDevice(ITickClock& clock);
    ~CQtSerialDevice() override;

    // Where the serial flags of a port just opened come from: the system's
    // driver unless told otherwise (a test stands in for the driver).
    using SerialFlagsSource = std::function<std::unique_ptr<ISerialFlags>(QSerialPort& port)>;
    void SetSerialFlagsSource(SerialFlagsSource source) { m_flagsSource = std::move(source); }

    bool Open(const std::string& name) override;
    bool Close() override;
    bool IsOpen() const override { return m_port.isOpen(); }
    bool SetQueueSizes(uint16_t inSize, uint16_t outSize) override;
    bool SetLine(const CLineSettings& settings) override;
    bool SetDtr(bool on) override;
    bool SetRts(bool on) override;
    bool PurgeInput() override;
    bool Write(const uint8_t* data, std::size_t count) override;
    std::size_t Read(uint8_t* buffer, std::size_t count, uint32_t timeoutMs) override;
    bool TakeLineClean() override;
    bool IsRs232() override;
    LowLatency LowLatencyState() const override { return m_lowLatency; }
    COpenFailure LastOpenFailure() const override { return m_openFailure; }

private:
    bool SetModemLine(bool dtr, bool on);

    ITickClock& m_clock;
    QSerialPort m_port;
    uint32_t m_rate = 0;
    bool m_haveCounts = false;
    SerialPlatform::CLineErrorCounts m_counts;
    SerialFlagsSource m_flagsSource;
    // The low-latency request of the open port, undone at close.
    std::unique_ptr<ISerialFlags> m_flags;
    CLowLatencyRequest m_lowLatencyRequest;
    LowLatency m_lowLatency = LowLatency::NotOffered;
    COpenFailure m_openFailure;
    std::string m_lockedName; // the device open now, whose lock file is noted
};
