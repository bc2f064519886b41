#pragma once
// What the system's serial ports need beyond QSerialPort: one file per
// platform implements these.
#include "link/LowLatency.h"

#include <QSerialPort>

#include <cstdint>
#include <memory>
#include <string>

namespace SerialPlatform {

// Counts of framing errors and breaks that the driver keeps for a port.
struct CLineErrorCounts
{
    uint32_t framing = 0;
    uint32_t breaks = 0;
};

// False when the driver keeps no such counts for the port.
bool ReadLineErrorCounts(QSerialPort& port, CLineErrorCounts& counts);
// Whether the open port is a serial line whose settings can be read and set.
bool IsSerialLine(QSerialPort& port);
// Passes the driver's queue sizes where the system lets them be set.
bool SetQueueSizes(QSerialPort& port, uint16_t inSize, uint16_t outSize);
// Whether the user lacks the right to open the device (rather than the
// device being in use), after an open refused for want of permission.
bool IsAccessDenied(const std::string& name);
// Whether the device has modem-control lines at all.
bool HasModemLines(QSerialPort& port);
// The driver's serial flags of the open port, for the low-latency request;
// nullptr where the system has no such flags. Valid while the port is open.
std::unique_ptr<ISerialFlags> SerialFlagsOf(QSerialPort& port);
#ifdef _WIN32
// Reads and clears the error state; false on a framing error or break.
bool TakeWindowsLineClean(QSerialPort& port);
#endif

} // namespace SerialPlatform
