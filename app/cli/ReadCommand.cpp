// The read command.
#include "app/cli/CliSupport.h"
#include "app/cli/JsonOutput.h"
#include "app/cli/TransferSupport.h"

#include "link/MicLink.h"
#include "link/TransferLog.h"

#include <memory>
#include <ostream>
#include <string>

namespace {

int RunRead(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    CTransferCommand command;
    if (const int refused = ReadTransferCommand(context, args, "read", command))
        return refused;
    if (command.port.empty()) {
        context.err << "read: --port is required\n";
        return CliExit::kUsage;
    }
    NumberPortsForJob(context, {command.port});
    const std::unique_ptr<CMicLink> port = MakeLink(context, command.port);
    CMicLink& link = *port;
    const CTransferOptions options = TransferOptionsOf(context, command);
    const CTransferLog log(command.logPath);
    CJobSettings settings;
    if (const int refused = JobSettings(context, command, log, settings))
        return refused;
    CTransferOutcome outcome;
    bool saved = false;
    if (Confirm(context, TransferMode::Read, command, outcome)) {
        outcome = RunTransfer(
            context, link, options, settings,
            [&](CProgrammingJob& job) {
                CJobOutcome result = job.Read();
                saved = result.result != JobResult::kFailed && SaveFromStore(context, command.file);
                if (result.result != JobResult::kFailed && !saved) {
                    result.result = JobResult::kFailed;
                    result.message = "Read, but " + command.file + " could not be saved.";
                }
                job.LogRead(result);
                return result;
            });
    }
    if (options.json) {
        QJsonObject json = TransferJson(command, link);
        AddOutcome(json, outcome);
        json.insert("saved", saved);
        json.insert("ok", saved && outcome.ok);
        PrintJson(context.out, json);
    }
    return saved ? outcome.exitCode : CliExit::kFailure;
}

const char* const kReadHelp =
    "The microphone is read twice and FILE is written only when both reads\n"
    "agree; when they differ, a third read decides (--verify, the default,\n"
    "says so explicitly). --no-verify reads once.\n\n";

const std::string kReadFullHelp = std::string(kReadHelp) + kPortHelp;

} // namespace

std::vector<CCliCommand> ReadCommands()
{
    return {
        {"read",
         "read --port PORT FILE",
         "Reads the microphone's configuration into FILE.",
         kReadFullHelp.c_str(),
         1,
         1,
         {"--port", "--log"},
         {"--yes", "--trace", "--quiet", "--json", "--verify", "--no-verify"},
         [](CCliContext& c, const CCliArgs& a) { return RunRead(c, a); }},
    };
}
