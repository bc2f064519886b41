#pragma once
#include "link/ByteDevice.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class ITickClock;

// Sees every byte that crosses the wire, as it travels.
class IWireObserver
{
public:
    virtual ~IWireObserver() = default;
    // `toDevice` is true for bytes the program sent. `tickMs` is the link's
    // tick count; `rate` the line rate in force.
    virtual void OnWire(bool toDevice, const uint8_t* bytes, std::size_t count, uint32_t tickMs,
                        uint32_t rate) = 0;
    // The device `name` was opened; `lowLatency` tells what its driver gave.
    virtual void OnOpened(const std::string& name, LowLatency lowLatency)
    {
        (void)name;
        (void)lowLatency;
    }
};

// One COM port for the programming cable: the port number and line settings
// it keeps, an exclusive opening, fixed DTR high and RTS low, no flow
// control, plain synchronous writes and reads. Operations return 1 (or true)
// for success and 0 (or false) for failure; none shows a message.
class CSerialPort
{
public:
    static constexpr uint8_t kDefaultPortNumber = 1;
    static constexpr uint16_t kDefaultQueueSize = 512;
    static constexpr const char* kDefaultSettings = "9600,N,8,2";
    static constexpr uint32_t kDefaultReadTimeoutMs = 1000;
    static constexpr uint32_t kReadTimeoutMultiplier = 0;
    // Port numbers from this one on take the device-namespace form on Windows.
    static constexpr int kFirstNamespacePort = 10;

    // The system's ports, timed by the system's tick counter.
    CSerialPort();
    // Devices from `factory`, timed by `ticks` (which must outlive the port).
    CSerialPort(ByteDeviceFactory factory, ITickClock& ticks);
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;
    virtual ~CSerialPort();

    // Writes one byte; 1 when the device took it.
    virtual int WriteByte(uint8_t byte);
    // Writes the text's characters without terminator.
    virtual int WriteString(const char* text);
    virtual int WriteBuffer(const uint8_t* data, uint16_t count);
    // 1 only when exactly `count` bytes arrived within the read time-out;
    // on 0 the buffer may hold part of them.
    virtual int Read(uint8_t* buffer, uint16_t count);
    // While on, a read is given up (0) as soon as the stop flag is set: for
    // a long wait that is no part of an exchange in progress.
    void SetReadsStoppable(bool on) { m_stoppableRead = on; }

    // Stores the number unless it is 0; an open port is closed and the port
    // of the (new) number opened, 0 when either fails.
    int SetPortNumber(uint8_t number);
    uint8_t GetPortNumber() const { return m_portNumber; }
    // 1 at once when the port is already in that state, else Open or Close.
    int SetOpen(int state);
    // Opens the port and sets it up. A failing step after the device opened
    // returns 0 and leaves it open, with IsOpen() true, for Close to release.
    int Open();
    // Clears the open flag, then closes the device; 1 when the device closed
    // (or none was open).
    int Close();
    bool IsOpen() const { return m_open != 0; }

    int SetInBufferSize(uint16_t size);
    int SetOutBufferSize(uint16_t size);
    // Stores the mode string without blanks; applied at once when open.
    int SetSettings(const std::string& settings);
    const std::string& GetSettings() const { return m_settings; }
    // Total time allowed for one read, in ms; applied at once when open.
    int SetReadTimeout(uint32_t ms);
    uint32_t GetReadTimeout() const { return m_readTimeoutMs; }

    // Whether the open port is a serial line of its own (RS-232, USB-serial,
    // a pseudo-terminal). Takes about 50 ms of busy waiting.
    bool IsRs232();
    // False when a framing error or a break arrived since the last check.
    bool IsLineClean();
    // Why the last Open failed; kind None after one that succeeded.
    const COpenFailure& LastOpenFailure() const { return m_openFailure; }
    // What the open port's driver gave when asked for low latency.
    LowLatency LowLatencyState() const;

    // A device name that replaces the one the port number gives, for a
    // caller that names the device itself; empty returns to the number.
    void SetDeviceName(const std::string& name) { m_deviceName = name; }
    const std::string& GetDeviceName() const { return m_deviceName; }
    // The device that Open would use now.
    std::string OpenName() const;

    // The system device that a port number names: "COM3" and "\\.\COM12"
    // on Windows; on Linux and macOS the device node that the pin
    // "Ports/COM<n>" leads to now, after the devices present have been
    // numbered (SystemPorts.h), or the pinned name when it leads nowhere.
    // Empty when the number is not pinned.
    static std::string PortDeviceName(int number);
    // The name a port number is pinned by ("/dev/serial/by-id/..."), as the
    // last numbering left it (no new numbering); the system's name on
    // Windows. Empty when none.
    static std::string PortStableName(int number);

    ITickClock& Ticks() const { return m_ticks; }
    // The stop a user asked for (Ctrl+C): a flag that the protocol looks at
    // between its steps, and that cuts a stoppable read short within a
    // slice of it. nullptr for none; not owned.
    void SetStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }
    const std::atomic<bool>* GetStopFlag() const { return m_stop; }
    bool StopRequested() const { return m_stop && m_stop->load(); }
    // Receives every byte on the wire; nullptr for none. Not owned.
    void SetWireObserver(IWireObserver* observer) { m_observer = observer; }

protected:
    // Applies the stored settings to the open device; 1 or 0.
    int ApplySettings();
    // Purges the receive side, then writes the bytes as they are.
    int WriteRaw(const uint8_t* data, std::size_t count);
    // Reads as they arrive; 1 only for the whole count.
    int ReadRaw(uint8_t* buffer, std::size_t count);

private:
    int ApplyQueueSizes();
    int ApplyReadTimeout() { return 1; }

    ByteDeviceFactory m_factory;
    ITickClock& m_ticks;
    std::unique_ptr<IByteDevice> m_device;
    int32_t m_open = 0;
    uint8_t m_portNumber = kDefaultPortNumber;
    uint16_t m_inBufferSize = kDefaultQueueSize;
    uint16_t m_outBufferSize = kDefaultQueueSize;
    std::string m_settings = kDefaultSettings;
    CLineSettings m_line;
    uint32_t m_readTimeoutMs = kDefaultReadTimeoutMs;
    std::string m_deviceName;
    IWireObserver* m_observer = nullptr;
    const std::atomic<bool>* m_stop = nullptr;
    bool m_stoppableRead = false;
    COpenFailure m_openFailure;
};

// The Windows name of a port number: "COM9", "\\.\COM10"; empty below 1.
std::string WindowsPortName(int number);

// Raises the process to real-time priority while it exists, where the
// system allows it, and restores the priority in force before.
class CRealtimeScope
{
public:
    CRealtimeScope();
    ~CRealtimeScope();
    CRealtimeScope(const CRealtimeScope&) = delete;
    CRealtimeScope& operator=(const CRealtimeScope&) = delete;

    // Whether the system allowed the raise (and the destructor restores).
    bool IsRaised() const { return m_raised; }

private:
    bool m_raised = false;
    int m_savedPolicy = 0;
    int m_savedPriority = 0;
};
