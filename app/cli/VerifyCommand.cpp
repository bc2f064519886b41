// The verify command: does the microphone hold the configuration of a file?
#include "app/cli/CliSupport.h"
#include "app/cli/ConfigDiff.h"
#include "app/cli/FleetCommand.h"
#include "app/cli/JsonOutput.h"
#include "app/cli/TransferJson.h"
#include "app/cli/TransferSupport.h"

#include "job/TransferLog.h"
#include "link/MicLink.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

int RunVerifyFleet(CCliContext& context, const CTransferCommand& command,
                   const CTransferTarget& target, const CJobSettings& settings)
{
    CFleetSetup setup = ConsoleFleetSetup(context, command, target.choices);
    setup.check = true;
    return RunFleetWrite(context, command, target.ports, settings, setup);
}

int RunVerify(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    CTransferCommand command;
    if (const int refused = ReadTransferCommand(context, args, "verify", command))
        return refused;
    CTransferTarget target;
    if (const int refused = ChooseTarget(context, command, {{"--trace", command.trace}}, target))
        return refused;
    CMicLink& link = *target.link;
    const CTransferLog log(command.logPath);
    CJobSettings settings;
    if (const int refused = JobSettings(context, command, log, settings))
        return refused;
    if (!LoadIntoStore(context, command.file))
        return CliExit::kFailure;
    if (target.fleet)
        return RunVerifyFleet(context, command, target, settings);

    const CTransferOptions options = TransferOptionsOf(context, command);
    MicImage microphone{};
    bool read = false;
    const CTransferOutcome outcome =
        RunTransfer(context, link, options, settings,
                    [&](CProgrammingJob& job, CConsoleTransferView&) -> std::optional<CMicRecord> {
                        const CMicRecord record = job.Verify();
                        if (const MicImage* image = job.PresentImage()) {
                            microphone = *image;
                            read = true;
                        }
                        return record;
                    });
    if (options.json) {
        QJsonObject json = TransferJson(command, link);
        AddOutcome(json, outcome);
        if (read) {
            AddMicrophoneDiff(context, microphone, json);
            json.insert("a", JsonText("microphone on " + command.port));
            json.insert("b", JsonText(command.file));
        }
        PrintJson(context.out, json);
    } else if (read) {
        PrintMicrophoneDiff(context, microphone, "");
    }
    return outcome.exitCode;
}

const char* const kVerifyHelp =
    "Reads the microphone until two reads agree and compares its\n"
    "configuration with FILE's; it never writes. When they differ, each\n"
    "differing setting is listed as diff lists it, the microphone's value\n"
    "first (Noise Attenuation Level: +10dB (0x000F) -> -10dB (0x0005)), then\n"
    "a line with the count of the other bytes that differ.\n"
    "Exit code 0: the microphone holds FILE's configuration; 4: it holds\n"
    "another; 1: it could not be read; 2: usage. --json adds to the document\n"
    "diff --json's a (the microphone), b (FILE), same, settings and bytes.\n"
    "--log FILE.csv adds a line with operation verify and result same,\n"
    "holds-other or failed. --port 3,4 (and --continuous) check several\n"
    "microphones at once, one result line each; with --continuous a\n"
    "microphone that differs or fails is announced as \"PUT ASIDE: ...\", and\n"
    "--count N ends the run once N microphones held FILE's configuration.\n\n";

const std::string kVerifyFullHelp = std::string(kVerifyHelp) + kPortHelp;

} // namespace

std::vector<CCliCommand> VerifyCommands()
{
    return {
        {"verify",
         "verify --port PORT FILE",
         "Checks whether the microphone holds the configuration in FILE.",
         kVerifyFullHelp.c_str(),
         1,
         1,
         {"--port", "--log", "--count"},
         {"--trace", "--quiet", "--json", "--continuous"},
         [](CCliContext& c, const CCliArgs& a) { return RunVerify(c, a); }},
    };
}
