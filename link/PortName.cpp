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

int PortNumberOf(const std::string& port)
{
    std::string_view digits = port;
    const std::string_view namespacePrefix = "\\\\.\\";
    const std::string_view comPrefix = "COM";
    if (digits.substr(0, namespacePrefix.size()) == namespacePrefix)
        digits.remove_prefix(namespacePrefix.size());
    if (EqualsIgnoringCase(digits.substr(0, comPrefix.size()), comPrefix))
        digits.remove_prefix(comPrefix.size());
    long number = 0;
    return ParseNumber(digits, kFirstPortNumber, kLastPortNumber, number) ? static_cast<int>(number)
                                                                          : -1;
}

std::string PortIdentity(const std::string& port)
{
    const int number = PortNumberOf(port);
    std::string device = port;
    if (number > 0) {
        device = CSerialPort::PortDeviceName(number);
        if (device.empty())
            return "COM" + std::to_string(number);
    }
    const QString path = QString::fromStdString(device);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return (canonical.isEmpty() ? QDir::cleanPath(path) : canonical).toStdString();
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

std::unique_ptr<CMicLink> MakeSystemLink(const std::string& port)
{
    auto link = std::make_unique<CMicLink>(CSleepingTickClock::Instance());
    SelectPort(*link, port);
    // The port is looked up once, here: every opening and every line of the
    // job names the same device.
    const std::string device = PortDevice(port);
    if (!device.empty())
        link->SetDeviceName(device);
    return link;
}

bool NamesPortNumber(const std::vector<std::string>& ports)
{
    return std::any_of(
        ports.begin(), ports.end(), [](const std::string& port) { return PortNumberOf(port) > 0; });
}

bool AddPortList(const std::string& list, std::vector<std::string>& ports, std::string& error)
{
    std::vector<std::string> reached;
    for (const std::string& port : ports)
        reached.push_back(PortIdentity(port));
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string port =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (port.empty()) {
            error = "--port names an empty port";
            return false;
        }
        const std::string identity = PortIdentity(port);
        if (std::find(reached.begin(), reached.end(), identity) != reached.end()) {
            error = "--port names " + port + " twice";
            return false;
        }
        reached.push_back(identity);
        ports.push_back(port);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}
