#pragma once
#include <memory>
#include <string>
#include <vector>

class CMicLink;
struct CPortTable;

// A number from 1 to 255, for "3", "COM3" and "\\.\COM12"; -1 otherwise.
int PortNumberOf(const std::string& port);
// Whether `port` is written as a COM number, in range or not ("0", "COM300").
bool IsWrittenAsNumber(const std::string& port);

// What a port name reaches, so that two names of one port compare equal:
// "3", "03" and "COM3" alike; a device path with its links resolved, or
// cleaned ("/dev//pts/1") when it does not exist.
std::string PortIdentity(const std::string& port);

// The one name of a port for the log, the console and the backups: "COM5"
// for a number in any of its forms ("5", "com5", "\\.\COM5"), else the
// device path made absolute from the current folder and cleaned. Empty for
// an empty name.
std::string CanonicalPortName(const std::string& port);
// The highest COM number of this system: 20 where the numbers are pinned
// (Linux, macOS), 255 on Windows.
int LastPortNumber();

// The device a port name leads to: a number or COMn through the pins of
// the numbering, anything else as the path it is. Empty when the number
// leads to no device.
std::string PortDevice(const std::string& port);
// The same through `table`, a numbering already made, so that a list of
// ports costs one look at the system; a number the table does not hold is
// looked up as above.
std::string PortDevice(const std::string& port, const CPortTable& table);
// PortIdentity through `table`.
std::string PortIdentity(const std::string& port, const CPortTable& table);

// A port as a job reaches it: its one name (CanonicalPortName) and the
// device that name led to (PortDevice) when the job started. Looked up
// once, so that every opening and every line of the job names one device.
struct CPortChoice
{
    std::string name;
    std::string device;
};
// Looks each of `ports` up once, in their order, into `chosen`. False with
// `error` set for a port named twice, under any of its names.
bool ChoosePorts(const std::vector<std::string>& ports, std::vector<CPortChoice>& chosen,
                 std::string& error);
// Adds the names of one comma-separated list ("3,4,/dev/ttyUSB0") to
// `ports`, as they stand. False with `error` set for an empty name.
bool SplitPortList(const std::string& list, std::vector<std::string>& ports, std::string& error);

// Points `link` at the port as the user named it: a COM number, or a
// device. False for an empty name.
bool SelectPort(CMicLink& link, const std::string& port);
// The system's port, on a link whose waits sleep (the command-line tool's
// and the production line's), opening the device the choice led to.
std::unique_ptr<CMicLink> MakeSystemLink(const CPortChoice& port);
// The same for a port as the user named it, looked up here.
std::unique_ptr<CMicLink> MakeSystemLink(const std::string& port);
// Whether any of the ports, or of the comma-separated lists among them, is
// named by a number, so that the ports are to be numbered before a job
// starts (NumberSystemPorts).
bool NamesPortNumber(const std::vector<std::string>& ports);

// Adds the ports of one comma-separated list ("3,4,/dev/ttyUSB0") to
// `ports`. False with `error` set for an empty name or a port named twice,
// under any of its names, in this list or one added before.
bool AddPortList(const std::string& list, std::vector<std::string>& ports, std::string& error);
