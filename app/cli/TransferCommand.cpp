// The command line of read, write and verify, read once into a typed
// command, the ports it names, and their links.
#include "app/cli/TransferCommand.h"

#include "job/MicLabel.h"

#include "app/cli/FleetCommand.h"
#include "app/cli/TransferSupport.h"
#include "core/UserText.h"
#include "link/MicLink.h"
#include "link/PortName.h"
#include "link/SystemPorts.h"
#include "link/TickClock.h"

#include <algorithm>
#include <ostream>

namespace {

constexpr long kMaxVerifyWaitSeconds = 3600;

} // namespace

bool PortInRange(CCliContext& context, const char* command, const std::string& port)
{
    const int number = PortNumberOf(port);
    if (number <= LastPortNumber() && (number > 0 || !IsWrittenAsNumber(port)))
        return true;
    context.err << command << ": " << port << ": COM numbers go from 1 to " << LastPortNumber()
                << " on this system ('" << kCliName << " ports' lists them)\n";
    return false;
}

bool NamesOnePort(CCliContext& context, const char* command,
                  const std::vector<std::string>& portValues)
{
    if (portValues.size() <= 1 &&
        (portValues.empty() || portValues[0].find(',') == std::string::npos))
        return true;
    std::string named = portValues[0];
    if (portValues.size() > 1) {
        named.clear();
        for (const std::string& value : portValues)
            named += (named.empty() ? "--port " : " --port ") + value;
    }
    context.err << command << ": --port names one port here, not " << named
                << " (write and verify take several)\n";
    return false;
}

constexpr long kMaxCount = 1000000;

// A station's name as the record keeps it: 1 to 64 characters, no control
// character (the rules of a label).
bool StationNameOk(std::string name)
{
    return !name.empty() && CheckLabel(name) == LabelFault::kNone;
}

// The value of `option` as a number from `minimum` to `maximum`; false,
// with what it takes said, for anything else.
bool NumberOption(CCliContext& context, const CCliArgs& args, const char* name, const char* option,
                  long minimum, long maximum, const char* what, long& value)
{
    if (ParseNumber(args.Value(option), minimum, maximum, value))
        return true;
    context.err << name << ": " << option << " takes " << what << " from " << minimum << " to "
                << maximum << "\n";
    return false;
}

int ReadTransferCommand(CCliContext& context, const CCliArgs& args, const char* name,
                        CTransferCommand& command)
{
    command.name = name;
    command.file = args.positional.empty() ? std::string() : args.positional[0];
    command.port = args.Value("--port");
    for (const auto& [option, value] : args.options) {
        if (option != "--port")
            continue;
        command.portValues.push_back(value);
        for (std::size_t start = 0; start <= value.size();) {
            const std::size_t comma = std::min(value.find(',', start), value.size());
            if (!PortInRange(context, name, value.substr(start, comma - start)))
                return CliExit::kUsage;
            start = comma + 1;
        }
    }
    // One name per cable, in the log, on the console and in the backups.
    if (command.port.find(',') == std::string::npos)
        command.port = CanonicalPortName(command.port);
    command.yes = args.Has("--yes");
    command.force = args.Has("--force");
    command.trace = args.Has("--trace");
    command.quiet = args.Has("--quiet");
    command.json = args.Has("--json");
    command.repeat = args.Has("--repeat");
    command.continuous = args.Has("--continuous");
    command.changes = args.Has("--changes");
    command.askLabel = args.Has("--ask-label");
    command.serial = args.Value("--serial");
    command.allowDuplicateLabels = args.Has("--allow-duplicate-labels");
    if (args.Has("--serial") && command.serial.empty()) {
        context.err << name << ": --serial takes a pattern, such as 'SN-{0001}'\n";
        return CliExit::kUsage;
    }
    command.skipSame = args.Has("--skip-same");
    command.record = args.Value("--record");
    command.station = args.Value("--station");
    if (args.Has("--record") && command.record.empty()) {
        context.err << name
                    << ": --record takes an SQLite file's path or a postgresql:// address\n";
        return CliExit::kUsage;
    }
    if (args.Has("--station") && !args.Has("--record")) {
        context.err << name << ": --station names this station in a record: give --record too\n";
        return CliExit::kUsage;
    }
    if (args.Has("--station") && !StationNameOk(command.station)) {
        context.err << name << ": --station " << command.station
                    << ": a station's name is 1 to 64 characters, without control characters\n";
        return CliExit::kUsage;
    }
    command.logPath = args.Value("--log");
    command.backupDir = args.Value("--backup");
    if (args.Has("--verify") && args.Has("--no-verify")) {
        context.err << name << ": --verify and --no-verify exclude each other\n";
        return CliExit::kUsage;
    }
    command.verify = !args.Has("--no-verify");
    if (args.Has("--count")) {
        long count = 0;
        if (!NumberOption(context, args, name, "--count", 1, kMaxCount, "a number of microphones",
                          count))
            return CliExit::kUsage;
        if (!command.continuous) {
            context.err << name << ": --count works with --continuous\n";
            return CliExit::kUsage;
        }
        command.count = static_cast<int>(count);
    }
    if (args.Has("--verify-wait")) {
        long seconds = 0;
        if (!NumberOption(context, args, name, "--verify-wait", 0, kMaxVerifyWaitSeconds, "seconds",
                          seconds))
            return CliExit::kUsage;
        command.verifyWaitMs = static_cast<uint32_t>(seconds) * kMsPerSecond;
    }
    return CliExit::kOk;
}

int ChooseTarget(CCliContext& context, const CTransferCommand& command,
                 const std::vector<COnePortOption>& onePortOnly, CTransferTarget& target)
{
    std::string error;
    // Numbered first, so that every port is looked up once, with the pins
    // of now.
    NumberPortsForJob(context, command.portValues);
    if (!ParsePortList(command.portValues, target.choices, error)) {
        context.err << command.name << ": " << error << "\n";
        return CliExit::kUsage;
    }
    for (const CPortChoice& choice : target.choices)
        target.ports.push_back(choice.name);
    target.fleet = !target.ports.empty() && IsFleetWrite(command.continuous, target.ports);
    const bool refused = std::any_of(onePortOnly.begin(), onePortOnly.end(),
                                     [](const COnePortOption& option) { return option.given; });
    if (target.fleet && refused) {
        // "--a, --b and --c work on one port"
        context.err << command.name << ": ";
        for (std::size_t i = 0; i < onePortOnly.size(); ++i)
            context.err << (i == 0                        ? ""
                            : i + 1 == onePortOnly.size() ? " and "
                                                          : ", ")
                        << onePortOnly[i].name;
        context.err << (onePortOnly.size() == 1 ? " works" : " work")
                    << " on one port, without --continuous\n";
        return CliExit::kUsage;
    }
    if (!target.fleet && command.port.empty()) {
        context.err << command.name << ": --port is required\n";
        return CliExit::kUsage;
    }
    target.link = target.fleet ? std::make_unique<CMicLink>(CSleepingTickClock::Instance())
                               : MakeLink(context, target.choices.front());
    return CliExit::kOk;
}

void NumberPortsForJob(const CCliContext& context, const std::vector<std::string>& ports)
{
    if (!context.makeLink && NamesPortNumber(ports))
        NumberSystemPorts();
}

std::unique_ptr<CMicLink> MakeLink(const CCliContext& context, const std::string& port)
{
    return context.makeLink ? context.makeLink(port) : MakeSystemLink(port);
}

std::unique_ptr<CMicLink> MakeLink(const CCliContext& context, const CPortChoice& port)
{
    return context.makeLink ? context.makeLink(port.name) : MakeSystemLink(port);
}

CFleetSetup ConsoleFleetSetup(const CCliContext& context, const CTransferCommand& command,
                              const std::vector<CPortChoice>& ports)
{
    CFleetSetup setup;
    setup.makeLink = [&context, ports](const std::string& port) {
        const auto chosen = std::find_if(ports.begin(), ports.end(),
                                         [&port](const CPortChoice& c) { return c.name == port; });
        return chosen != ports.end() ? MakeLink(context, *chosen) : MakeLink(context, port);
    };
    setup.quiet = command.quiet;
    setup.live = context.progressOnTerminal && !setup.quiet;
    return setup;
}
