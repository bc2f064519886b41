// The ports command.
#include "app/cli/CliSupport.h"
#include "app/cli/JsonOutput.h"
#include "app/cli/TransferSupport.h"

#include "link/MicLink.h"
#include "link/SerialPort.h"

#include <ostream>
#include <string>

namespace {

constexpr int kFirstListedPort = 1;
constexpr int kLastListedPort = 20;

int RunPorts(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    CMicLink link;
    const bool json = args.Has("--json");
    QJsonArray ports;
    if (!json)
        context.out << "Port   Device                          Opens  RS-232\n";
    for (int number = kFirstListedPort; number <= kLastListedPort; ++number) {
        const std::string device = CSerialPort::PortDeviceName(number);
        link.SetPortNumber(static_cast<uint8_t>(number));
        const bool opens = !device.empty() && link.SetOpen(1);
        const bool rs232 = opens && link.IsRs232();
        link.SetOpen(0);
        const std::string name = "COM" + std::to_string(number);
        if (json) {
            ports.append(QJsonObject{
                {"port", number},
                {"name", JsonText(name)},
                {"device", device.empty() ? QJsonValue() : JsonText(device)},
                {"opens", opens},
                {"rs232", opens ? QJsonValue(rs232) : QJsonValue()},
            });
            continue;
        }
        std::string label = name;
        label.resize(7, ' ');
        std::string shown = device.empty() ? "-" : device;
        if (shown.size() < 32)
            shown.resize(32, ' ');
        context.out << label << shown << (opens ? "yes    " : "no     ")
                    << (rs232 ? "yes" : (opens ? "no" : "-")) << "\n";
    }
    if (json)
        PrintJson(context.out, QJsonObject{{"ports", ports}});
    return CliExit::kOk;
}

const char* const kPortsHelp =
    "--json prints one JSON document instead: \"ports\", each with port, name,\n"
    "device (null when none), opens and rs232 (null when it does not open).\n";

} // namespace

std::string OpenFailureText(const COpenFailure& failure, const std::string& device)
{
    switch (failure.kind) {
    case COpenFailure::Kind::None:
        return {};
    case COpenFailure::Kind::PermissionDenied:
        return "permission denied: add your user to the group that owns " + device +
               ", e.g. dialout, and log in again";
    case COpenFailure::Kind::NoDevice:
        if (device.empty())
            return "no serial device has that port number ('qzm530rx-cli ports' lists them)";
        break;
    case COpenFailure::Kind::Other:
        break;
    }
    return device + ": " + (failure.reason.empty() ? "it cannot be opened" : failure.reason);
}

std::vector<CCliCommand> PortCommands()
{
    return {
        {"ports",
     "ports [--json]",
     "Lists COM1 to COM20: device, whether it opens, whether it is RS-232.",
     kPortsHelp,
     0,
     0,
     {},
     {"--json"},
     [](CCliContext& c, const CCliArgs& a) { return RunPorts(c, a); }},
    };
}
