#pragma once
#include "link/PortNumbering.h"

// The serial devices of Linux and macOS: the ports that the system reports,
// with the links that the device manager (udev) made for them in
// /dev/serial/by-id and /dev/serial/by-path. A link name that udev meant for
// two identical adapters, and could give only one, is read from udev's
// records so that both devices carry it.
class CSystemSerialDevices : public ISerialDeviceList
{
public:
    std::vector<CSerialDeviceInfo> Present() const override;
    // The canonical path of `name` when it leads to a character device.
    std::string Resolve(const std::string& name) const override;
};
