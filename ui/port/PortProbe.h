#pragma once
#include <string>

// What the COM port dialog needs from the device link: the port number it
// keeps, opening and testing a port, and the device a number names. The
// program gives the link itself (CMicLinkPortProbe); tests give fake ports.
class IPortProbe
{
public:
    virtual ~IPortProbe() = default;

    virtual int PortNumber() const = 0;
    // Gives every device present that has no number yet its number, before
    // the ports are probed (the numbering of the system's ports).
    virtual void NumberPorts() {}
    // Stores the number; a port that is open is reopened on the new number.
    virtual void SetPortNumber(int number) = 0;
    // Opens the current port; false when it is missing or in use.
    virtual bool Open() = 0;
    // Whether the open port is an RS-232 port.
    virtual bool IsRs232() = 0;
    virtual void Close() = 0;
    // The name of the device that a port number leads to (on Linux and
    // macOS the stable name it is pinned by); empty when none.
    virtual std::string DeviceName(int number) const = 0;
    // Lets a port settle before it is probed again.
    virtual void Pause(int ms) = 0;
};
