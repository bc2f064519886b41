#pragma once
#include "link/LowLatency.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class ITickClock;

// Line settings as a mode string names them ("9600,N,8,2").
struct CLineSettings
{
    uint32_t rate = 9600;
    char parity = 'N';    // N, E, O, M or S
    int dataBits = 8;     // 5 to 8
    int halfStopBits = 2; // stop bits times 2: 2, 3 (1.5) or 4

    bool operator==(const CLineSettings& other) const
    {
        return rate == other.rate && parity == other.parity && dataBits == other.dataBits &&
               halfStopBits == other.halfStopBits;
    }
};

// Parses a mode string "rate,parity,data,stop" (blanks already removed)
// over `settings`: fields that are missing keep their values. False, with
// `settings` unchanged, when a field is not valid.
bool ParseModeString(const std::string& mode, CLineSettings& settings);

// Why a device did not open.
struct COpenFailure
{
    enum class Kind
    {
        None,             // it opened
        NoDevice,         // no such device (or no name for the port number)
        PermissionDenied, // the user may not open it (EACCES)
        Other,            // in use, or anything else
    };
    Kind kind = Kind::None;
    std::string reason; // the system's own words; may be empty
};

// One byte stream to a device, opened by name. Every call is synchronous.
// Calls on a device that is not open fail.
class IByteDevice
{
public:
    virtual ~IByteDevice() = default;

    // Opens the device exclusively for reading and writing.
    virtual bool Open(const std::string& name) = 0;
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
    // Sizes of the driver's queues, where the driver lets them be set.
    virtual bool SetQueueSizes(uint16_t inSize, uint16_t outSize) = 0;
    // Rate, framing and no flow control of any kind.
    virtual bool SetLine(const CLineSettings& settings) = 0;
    // Modem-control outputs. A device without such lines reports success.
    virtual bool SetDtr(bool on) = 0;
    virtual bool SetRts(bool on) = 0;
    // Discards everything received and not yet read.
    virtual bool PurgeInput() = 0;
    // Writes all bytes before returning; false when the device refused.
    virtual bool Write(const uint8_t* data, std::size_t count) = 0;
    // Returns when `count` bytes have arrived or `timeoutMs` has passed since
    // the call, whichever comes first; the result is the number of bytes
    // stored in `buffer`.
    virtual std::size_t Read(uint8_t* buffer, std::size_t count, uint32_t timeoutMs) = 0;
    // False when a framing error or a break was seen since the last call, or
    // the state cannot be read. Devices that keep no such counts report true.
    virtual bool TakeLineClean() = 0;
    // Whether the device is a serial line whose settings can be read and set.
    virtual bool IsRs232() = 0;
    // Whether the driver was asked for low latency at opening, and gave it.
    // Devices without a driver's receive timer have none to offer.
    virtual LowLatency LowLatencyState() const { return LowLatency::NotOffered; }
    // Why the last Open failed. Devices that cannot tell report Other.
    virtual COpenFailure LastOpenFailure() const { return {COpenFailure::Kind::Other, {}}; }
};

using ByteDeviceFactory = std::function<std::unique_ptr<IByteDevice>()>;

// The system's serial ports, timed by `clock`.
ByteDeviceFactory SystemDeviceFactory(ITickClock& clock);
