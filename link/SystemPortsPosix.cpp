#include "link/SystemPorts.h"

#include "link/SerialPort.h"
#include "link/SettingsPortPins.h"
#include "link/SystemSerialDevices.h"

#include <mutex>

CPortTable NumberSystemPorts()
{
    // Two jobs may start at once on threads of their own: one numbering at a
    // time, so that two devices seen for the first time at once never take
    // the same number.
    static std::mutex numbering;
    const std::lock_guard<std::mutex> lock(numbering);
    const CSystemSerialDevices devices;
    CSettingsPortPins pins;
    return PortNumbering::Number(devices, pins);
}

CPortTable SystemPortTable()
{
    return PortNumbering::Pinned(CSystemSerialDevices(), CSettingsPortPins());
}

bool ForgetSystemPort(int number)
{
    CSettingsPortPins pins;
    if (pins.All().count(number) == 0)
        return false;
    pins.Remove(number);
    return true;
}

std::string CSerialPort::PortDeviceName(int number)
{
    if (number < 1)
        return {};
    return SystemPortTable().DeviceOf(number);
}

std::string CSerialPort::PortStableName(int number)
{
    // Only the pin: the caller has just listed the ports (the COM port
    // dialog names the devices after its probe), and a numbering costs a
    // look at every serial device of the system.
    const std::map<int, std::string> pins = CSettingsPortPins().All();
    const auto pin = pins.find(number);
    return pin == pins.end() ? std::string() : pin->second;
}
