#include "link/PortName.h"

#include "core/UserText.h"
#include "link/MicLink.h"
#include "link/PortNumbering.h"
#include "link/SerialPort.h"
#include "link/TickClock.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <string_view>

namespace {
constexpr long kFirstPortNumber = 1;
constexpr long kLastPortNumber = 255;
} // namespace

namespace {

// The digits of "3", "COM3" or "\\.\COM12".
std::string_view PortDigits(const std::string& port)
{
    std::string_view digits = port;
    const std::string_view namespacePrefix = "\\\\.\\";
    const std::string_view comPrefix = "COM";
    if (digits.substr(0, namespacePrefix.size()) == namespacePrefix)
        digits.remove_prefix(namespacePrefix.size());
    if (EqualsIgnoringCase(digits.substr(0, comPrefix.size()), comPrefix))
        digits.remove_prefix(comPrefix.size());
    return digits;
}

} // namespace

int PortNumberOf(const std::string& port)
{
    long number = 0;
    return ParseNumber(PortDigits(port), kFirstPortNumber, kLastPortNumber, number)
               ? static_cast<int>(number)
               : -1;
}

bool IsWrittenAsNumber(const std::string& port)
{
    const std::string_view digits = PortDigits(port);
    return !digits.empty() &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

namespace {

// The identity of a port whose name led to `device` (empty for a number
// that leads nowhere).
std::string IdentityOfDevice(const std::string& port, const std::string& device)
{
    if (device.empty())
        return "COM" + std::to_string(PortNumberOf(port));
    const QString path = QString::fromStdString(device);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return (canonical.isEmpty() ? QDir::cleanPath(path) : canonical).toStdString();
}

} // namespace

std::string PortIdentity(const std::string& port)
{
    return IdentityOfDevice(port, PortDevice(port));
}

std::string PortIdentity(const std::string& port, const CPortTable& table)
{
    return IdentityOfDevice(port, PortDevice(port, table));
}

std::string CanonicalPortName(const std::string& port)
{
    if (port.empty())
        return {};
    const int number = PortNumberOf(port);
    if (number > 0)
        return "COM" + std::to_string(number);
    return QDir::cleanPath(QFileInfo(QString::fromStdString(port)).absoluteFilePath())
        .toStdString();
}

int LastPortNumber()
{
#ifdef _WIN32
    return static_cast<int>(kLastPortNumber);
#else
    return PortNumbering::kLastNumber;
#endif
}

std::string PortDevice(const std::string& port)
{
    const int number = PortNumberOf(port);
    return number > 0 ? CSerialPort::PortDeviceName(number) : port;
}

std::string PortDevice(const std::string& port, const CPortTable& table)
{
    const int number = PortNumberOf(port);
    if (number <= 0)
        return port;
    std::string device = table.DeviceOf(number);
    return device.empty() ? PortDevice(port) : device;
}

bool SelectPort(CMicLink& link, const std::string& port)
{
    if (port.empty())
        return false;
    const int number = PortNumberOf(port);
    if (number > 0)
        link.SetPortNumber(static_cast<uint8_t>(number));
    else
        link.SetDeviceName(port);
    return true;
}

std::unique_ptr<CMicLink> MakeSystemLink(const CPortChoice& port)
{
    auto link = std::make_unique<CMicLink>(CSleepingTickClock::Instance());
    SelectPort(*link, port.name);
    if (!port.device.empty())
        link->SetDeviceName(port.device);
    return link;
}

std::unique_ptr<CMicLink> MakeSystemLink(const std::string& port)
{
    const std::string name = CanonicalPortName(port);
    return MakeSystemLink(CPortChoice{name, PortDevice(name)});
}

bool NamesPortNumber(const std::vector<std::string>& ports)
{
    std::vector<std::string> named;
    std::string error;
    for (const std::string& list : ports)
        SplitPortList(list, named, error);
    return std::any_of(named.begin(), named.end(),
                       [](const std::string& port) { return PortNumberOf(port) > 0; });
}

bool SplitPortList(const std::string& list, std::vector<std::string>& ports, std::string& error)
{
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma == start) {
            error = "--port names an empty port";
            return false;
        }
        ports.push_back(list.substr(start, comma - start));
        if (comma == list.size())
            return true;
        start = comma + 1;
    }
}

bool ChoosePorts(const std::vector<std::string>& ports, std::vector<CPortChoice>& chosen,
                 std::string& error)
{
    chosen.clear();
    std::vector<std::string> reached;
    for (const std::string& port : ports) {
        CPortChoice choice;
        choice.name = CanonicalPortName(port);
        choice.device = PortDevice(choice.name);
        std::string identity = IdentityOfDevice(choice.name, choice.device);
        if (std::find(reached.begin(), reached.end(), identity) != reached.end()) {
            error = "--port names " + port + " twice";
            return false;
        }
        reached.push_back(std::move(identity));
        chosen.push_back(std::move(choice));
    }
    return true;
}

bool AddPortList(const std::string& list, std::vector<std::string>& ports, std::string& error)
{
    std::vector<std::string> named = ports;
    std::vector<CPortChoice> chosen;
    if (!SplitPortList(list, named, error) || !ChoosePorts(named, chosen, error))
        return false;
    ports = std::move(named);
    return true;
}
