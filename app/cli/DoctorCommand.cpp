// doctor: what is wrong with the machine's serial set-up and with a port,
// one line a finding, and last a probe of the microphone.
#include "app/cli/FleetCommand.h"
#include "app/cli/JsonOutput.h"
#include "app/cli/PortCommands.h"
#include "app/cli/TransferSupport.h"

#include "diag/DoctorProbe.h"
#include "diag/DoctorSurvey.h"
#include "link/PortName.h"
#include "link/SystemPorts.h"
#include "link/TickClock.h"

#include <ostream>

namespace {

// Prints each finding as it comes, or keeps them for the document.
class CReport
{
public:
    CReport(std::ostream& out, bool json) : m_out(out), m_json(json) {}

    void Add(const CFinding& finding)
    {
        m_findings.push_back(finding);
        if (m_json)
            return;
        if (finding.ok)
            m_out << "ok       " << FindingKindName(finding.kind) << ": " << finding.text << "\n";
        else
            m_out << "PROBLEM  " << FindingKindName(finding.kind) << ": " << finding.text
                  << "; fix: " << finding.fix << "\n";
        m_out << std::flush;
    }
    void Add(const std::vector<CFinding>& findings)
    {
        for (const CFinding& finding : findings)
            Add(finding);
    }

    const std::vector<CFinding>& Findings() const { return m_findings; }
    bool AllOk() const
    {
        for (const CFinding& finding : m_findings)
            if (!finding.ok)
                return false;
        return true;
    }
    QJsonArray Json() const
    {
        QJsonArray findings;
        for (const CFinding& finding : m_findings)
            findings.append(
                QJsonObject{{"kind", FindingKindName(finding.kind)},
                            {"ok", finding.ok},
                            {"text", JsonText(finding.text)},
                            {"fix", finding.ok ? QJsonValue() : JsonText(finding.fix)}});
        return findings;
    }

private:
    std::ostream& m_out;
    const bool m_json;
    std::vector<CFinding> m_findings;
};

QJsonObject ProbeJson(const CProbeFacts& probe, const std::vector<std::string>& causes)
{
    QJsonArray causeList;
    for (const std::string& cause : causes)
        causeList.append(JsonText(cause));
    return QJsonObject{
        {"probed", probe.probed},
        {"opened", probe.opened},
        {"answered", probe.answered},
        {"knownModel", probe.knownModel},
        {"model", probe.answered ? JsonText(probe.model) : QJsonValue()},
        {"version", probe.answered ? JsonText(probe.version) : QJsonValue()},
        {"rate", probe.answered ? QJsonValue(static_cast<int>(probe.rate)) : QJsonValue()},
        {"causes", causeList},
    };
}

int RunDoctor(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    const bool json = args.Has("--json");
    const bool havePort = args.Has("--port");
    const std::string port = CanonicalPortName(args.Value("--port"));
    if (havePort && port.empty()) {
        context.err << "doctor: --port names an empty port\n";
        return CliExit::kUsage;
    }
    std::vector<std::string> portValues;
    for (const auto& [option, value] : args.options)
        if (option == "--port")
            portValues.push_back(value);
    if (!NamesOnePort(context, "doctor", portValues) ||
        (havePort && !PortInRange(context, "doctor", args.Value("--port"))))
        return CliExit::kUsage;
    CReport report(context.out, json);
    // The devices present are listed with their numbers, a new one's too.
    if (!havePort && !context.makeLink)
        NumberSystemPorts();
    const CDoctorSeams seams = SystemDoctorSeams();
    CPortSurvey survey;
    if (havePort)
        NumberPortsForJob(context, {port});
    const std::string device = havePort ? PortDevice(port) : std::string();
    if (havePort && device.empty()) {
        survey.missing = true;
        survey.notProbedReason = "COM" + std::to_string(PortNumberOf(port)) + " leads to no device";
        report.Add(CFinding{FindingKind::kPort, false, survey.notProbedReason,
                            "'qzm530rx-cli ports' lists the numbers and their devices"});
    } else if (havePort) {
        survey = SurveyPort(device, seams);
        report.Add(survey.findings);
    }
    report.Add(SurveyMachine(havePort ? &survey : nullptr, seams));

    CProbeFacts probe;
    std::vector<std::string> causes;
    if (havePort) {
        std::vector<CFinding> opening;
        probe = ProbePort(survey, opening);
        report.Add(opening);
        report.Add(DoctorFindings::ProbeFinding(probe, report.Findings(), causes));
    }
    const bool ok = havePort ? probe.answered && probe.knownModel : report.AllOk();
    if (json) {
        QJsonObject document{{"ok", ok}, {"findings", report.Json()}};
        document.insert("port", havePort ? JsonText(port) : QJsonValue());
        document.insert("device", device.empty() ? QJsonValue() : JsonText(device));
        document.insert("probe", havePort ? QJsonValue(ProbeJson(probe, causes)) : QJsonValue());
        PrintJson(context.out, document);
    }
    return ok ? CliExit::kOk : CliExit::kFailure;
}

const char* const kDoctorHelp =
    "Without --port it lists the serial devices present, each with its COM\n"
    "number and the adapter's name where the system knows it, and says so\n"
    "when no USB-serial adapter is connected (the commonest dead cable).\n"
    "Looks at the machine and, with --port, at the port, and prints one line a\n"
    "finding: \"ok\" or \"PROBLEM\", what it is about, what was found and, for a\n"
    "problem, the command or step that fixes it. Nothing is written to the\n"
    "microphone.\n"
    "The port (Linux, macOS): it exists; it is a terminal device (a regular file,\n"
    "a FIFO or /dev/null is said at once, never opened); this user may open it;\n"
    "the processes that hold it open and its lock file in /run/lock or\n"
    "/var/lock; the adapter's driver and USB vendor and product id.\n"
    "The machine: ModemManager (and the udev rule that makes it leave the\n"
    "adapter alone), brltty rules that claim USB-serial adapters, the user's\n"
    "groups against the groups of the serial devices present.\n"
    "Last, with --port, the microphone is probed as a production line probes\n"
    "it: the port opens (with the driver's low latency), the entry is tried at\n"
    "the seven rates, the microphone is identified and programming mode ended.\n"
    "The model and version that answered and the rate are named, or the likely\n"
    "causes of the silence, in order.\n"
    "On Windows: whether the port opens or is held by another program, and the\n"
    "probe.\n"
    "Exit code 0: with --port, a VHM microphone answered; without, no problem\n"
    "was found. 1 otherwise.\n"
    "--json prints one JSON document instead: ok, port, device, \"findings\"\n"
    "(each with kind, ok, text, fix) and \"probe\" (probed, opened, answered,\n"
    "knownModel, model, version, rate, causes; null without --port).\n";

} // namespace

CCliCommand DoctorCommand()
{
    return {"doctor",
            "doctor [--port PORT] [--json]",
            "Says what is wrong with a serial port, and probes the microphone.",
            kDoctorHelp,
            0,
            0,
            {"--port"},
            {"--json"},
            [](CCliContext& c, const CCliArgs& a) { return RunDoctor(c, a); }};
}
