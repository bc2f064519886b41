// The port commands: ports (the COM numbers and the devices they lead to)
// and, in DoctorCommand.cpp, doctor.
#include "app/cli/PortCommands.h"
#include "app/cli/JsonOutput.h"
#include "app/cli/TransferSupport.h"

#include "diag/PortTrouble.h"

#include "core/UserText.h"
#include "link/MicLink.h"
#include "link/SystemPorts.h"
#include "link/TickClock.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace {

constexpr long kFirstForgettable = 1;
constexpr long kLastForgettable = 255;
constexpr const char* kNotPresent = "not present";
constexpr const char* kNone = "-";

// One row of the listing.
struct CPortRow
{
    int number = 0;
    std::string name; // as pinned; empty when the number is free
    std::string node; // now; empty when not present
    bool opens = false;
    bool rs232 = false;
};

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.resize(width, ' ');
    return text;
}

// COM1 to COM20, and every pin beyond, each probed on the device it leads to.
std::vector<CPortRow> ProbedRows(const CPortTable& table)
{
    std::vector<CPortRow> rows;
    int last = PortNumbering::kLastNumber;
    for (const CPortEntry& entry : table.entries)
        last = std::max(last, entry.number);
    CMicLink link(CSleepingTickClock::Instance());
    for (int number = PortNumbering::kFirstNumber; number <= last; ++number) {
        const CPortEntry* entry = table.Find(number);
        if (!entry && number > PortNumbering::kLastNumber)
            continue;
        CPortRow row;
        row.number = number;
        if (entry) {
            row.name = entry->name;
            row.node = entry->node;
        }
        if (!row.node.empty()) {
            link.SetDeviceName(row.node);
            row.opens = link.SetOpen(1) != 0;
            row.rs232 = row.opens && link.IsRs232();
            link.SetOpen(0);
        }
        rows.push_back(row);
    }
    return rows;
}

void PrintRows(std::ostream& out, const std::vector<CPortRow>& rows)
{
    std::size_t nameWidth = std::string("Device").size();
    std::size_t nodeWidth = std::string(kNotPresent).size();
    for (const CPortRow& row : rows) {
        nameWidth = std::max(nameWidth, row.name.size());
        nodeWidth = std::max(nodeWidth, row.node.size());
    }
    constexpr std::size_t kLabelWidth = 7;
    constexpr std::size_t kGap = 2;
    out << Padded("Port", kLabelWidth) << Padded("Device", nameWidth + kGap)
        << Padded("Now", nodeWidth + kGap) << "Opens  RS-232\n";
    for (const CPortRow& row : rows) {
        const std::string now =
            row.name.empty() ? kNone : (row.node.empty() ? kNotPresent : row.node);
        out << Padded("COM" + std::to_string(row.number), kLabelWidth)
            << Padded(row.name.empty() ? kNone : row.name, nameWidth + kGap)
            << Padded(now, nodeWidth + kGap) << (row.opens ? "yes    " : "no     ")
            << (row.rs232 ? "yes" : (row.opens ? "no" : kNone)) << "\n";
    }
}

QJsonObject RowJson(const CPortRow& row)
{
    return QJsonObject{
        {"port", row.number},
        {"name", JsonText("COM" + std::to_string(row.number))},
        {"device", row.name.empty() ? QJsonValue() : JsonText(row.name)},
        {"node", row.node.empty() ? QJsonValue() : JsonText(row.node)},
        {"present", !row.node.empty()},
        {"opens", row.opens},
        {"rs232", row.opens ? QJsonValue(row.rs232) : QJsonValue()},
    };
}

int Forget(CCliContext& context, const std::string& text)
{
    long number = 0;
    if (!ParseNumber(text, kFirstForgettable, kLastForgettable, number)) {
        context.err << "ports: --forget takes a port number from " << kFirstForgettable << " to "
                    << kLastForgettable << "\n";
        return CliExit::kUsage;
    }
    const int port = static_cast<int>(number);
    const std::string name = CSerialPort::PortStableName(port);
    if (!ForgetSystemPort(port)) {
#ifdef _WIN32
        context.err << "ports: Windows numbers its ports itself; there is nothing to forget\n";
#else
        context.err << "ports: COM" << port << " is not pinned to a device\n";
#endif
        return CliExit::kFailure;
    }
    context.out << "COM" << port << " forgotten (it was " << name << ")\n";
    return CliExit::kOk;
}

int RunPorts(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    if (args.Has("--forget"))
        return Forget(context, args.Value("--forget"));
    const CPortTable table = NumberSystemPorts();
    const std::vector<CPortRow> rows = ProbedRows(table);
    if (args.Has("--json")) {
        QJsonArray ports;
        for (const CPortRow& row : rows)
            ports.append(RowJson(row));
        QJsonArray unnumbered;
        for (const std::string& node : table.unnumbered)
            unnumbered.append(JsonText(node));
        PrintJson(context.out, QJsonObject{{"ports", ports}, {"unnumbered", unnumbered}});
        return CliExit::kOk;
    }
    PrintRows(context.out, rows);
    for (const std::string& node : table.unnumbered) {
        context.err << node << " has no number: COM" << PortNumbering::kFirstNumber << " to COM"
                    << PortNumbering::kLastNumber
                    << " are all taken ('qzm530rx-cli ports --forget N' frees one)\n";
    }
    return CliExit::kOk;
}

const char* const kPortsHelp =
    "Each number leads to one device. On Linux and macOS a device gets the lowest\n"
    "free number from 1 to 20 the first time it is seen (built-in ports first) and\n"
    "keeps it, pinned in the settings as \"Ports/COM<n>\" by its stable name: its\n"
    "/dev/serial/by-id link, else its /dev/serial/by-path link, else its device\n"
    "node. Device is that name; Now is the node it leads to now, or \"not\n"
    "present\" for a device that is unplugged (it keeps its number). Pins made by\n"
    "hand or by qzm530rx-sim --port are kept as they are.\n"
    "--forget N removes the pin of COM N, so that the next device takes the\n"
    "number; a device that is present gets a number again at the next listing.\n"
    "On Windows the numbers are the system's own.\n"
    "--json prints one JSON document instead: \"ports\", each with port, name,\n"
    "device (the pinned name, null when none), node (null when not present),\n"
    "present, opens and rs232 (null when it does not open); \"unnumbered\" lists\n"
    "devices left without a number because all 20 are taken.\n";

} // namespace

void PrintPresentPorts(std::ostream& out)
{
    EnsureApplication();
    const CPortTable table = NumberSystemPorts();
    for (const CPortEntry& entry : table.entries) {
        if (entry.node.empty())
            continue;
        out << entry.number << "\nCOM" << entry.number << "\n" << entry.node << "\n";
    }
    for (const std::string& node : table.unnumbered)
        out << node << "\n";
}

std::vector<CCliCommand> PortCommands()
{
    return {
        {"ports",
         "ports [--json] [--forget N]",
         "Lists COM1 to COM20 with the device each leads to.",
         kPortsHelp,
         0,
         0,
         {"--forget"},
         {"--json"},
         [](CCliContext& c, const CCliArgs& a) { return RunPorts(c, a); }},
        DoctorCommand(),
    };
}
