#pragma once
#include <string>

// Where the program's per-user settings are kept: the settings store of
// organisation "ZEPHRAN", application "QZM530RX". The desktop program keeps
// its section "Backup" there; the serial port reads, and the simulator
// writes, the device that a COM number stands for.
namespace SettingsLocation {
inline constexpr const char* kOrganization = "ZEPHRAN";
inline constexpr const char* kApplication = "QZM530RX";

// The key of the device that COM `number` names, e.g. "Ports/COM5".
inline std::string PortDeviceKey(int number)
{
    return "Ports/COM" + std::to_string(number);
}
} // namespace SettingsLocation
