#pragma once
// COM numbers for the serial devices of Linux and macOS, kept as Windows
// keeps them: a device gets a number the first time it is seen and keeps it,
// pinned in the per-user setting "Ports/COM<n>" by a name that stays the
// same when the device is plugged in again.
#include <map>
#include <string>
#include <vector>

// One serial device present now.
struct CSerialDeviceInfo
{
    std::string node;                // "/dev/ttyUSB0"
    std::vector<std::string> byId;   // "/dev/serial/by-id/usb-FTDI_...-port0"
    std::vector<std::string> byPath; // "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"
};

// The serial devices of the system. The system's list reads /dev and the
// device manager's records; tests give a fixed list.
class ISerialDeviceList
{
public:
    virtual ~ISerialDeviceList() = default;
    // The devices present now, each once. A link name that the device manager
    // gives two identical devices is in the lists of both.
    virtual std::vector<CSerialDeviceInfo> Present() const = 0;
    // The device node that `name` (a node or a link to one) leads to now;
    // empty when it leads nowhere.
    virtual std::string Resolve(const std::string& name) const = 0;
};

// The pins: COM number to the name of a device. The program keeps them in
// the per-user settings; tests keep them in memory.
class IPortPins
{
public:
    virtual ~IPortPins() = default;
    // Every pin, whatever its number.
    virtual std::map<int, std::string> All() const = 0;
    virtual void Set(int number, const std::string& name) = 0;
    virtual void Remove(int number) = 0;
    // Pins that another program replaced for a while (qzm530rx-sim --port N
    // lends COM N to its pseudo-terminal), by number: the devices they name
    // keep their number for when it comes back, and get no other meanwhile.
    virtual std::map<int, std::string> Lent() const { return {}; }
};

// One pinned number.
struct CPortEntry
{
    int number = 0;
    std::string name; // as pinned
    std::string node; // the device it leads to now; empty when not present
};

// The numbers after a numbering.
struct CPortTable
{
    std::vector<CPortEntry> entries;     // every pin, by number
    std::vector<std::string> unnumbered; // present devices left without a number (all taken)
    std::vector<int> added;              // numbers pinned by this numbering

    // The entry of `number`; nullptr when it is not pinned.
    const CPortEntry* Find(int number) const;
    // The device `number` leads to: its node, or the pinned name when the
    // device is not present (an opening then says which one is missing);
    // empty when the number is not pinned.
    std::string DeviceOf(int number) const;
};

namespace PortNumbering {

// The numbers that devices are given.
constexpr int kFirstNumber = 1;
constexpr int kLastNumber = 20;

// Built-in ports (ttyS*, ttyAMA*), which are numbered before adapters.
bool IsBuiltIn(const std::string& node);
// Orders device names as a person would: ttyS2 before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b);
// The name a device is pinned by: its by-id link when no other present
// device has that link too, else its by-path link, else its node.
std::string StableName(const CSerialDeviceInfo& device,
                       const std::vector<CSerialDeviceInfo>& present);

// Gives every present device that no pin leads to the lowest free number
// from 1 to 20, built-in ports first and then adapters, each group in the
// order of their nodes, and pins it by its stable name. Pins that lead to no
// device are kept, as are pins that were made by hand; a device whose pin
// is lent gets no number.
CPortTable Number(const ISerialDeviceList& devices, IPortPins& pins);

// The pins as they stand, each with the device it leads to now; numbers
// nothing and writes nothing (`unnumbered` and `added` stay empty).
CPortTable Pinned(const ISerialDeviceList& devices, const IPortPins& pins);

} // namespace PortNumbering
