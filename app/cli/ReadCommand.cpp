// The read command.
#include "app/cli/CliSupport.h"
#include "app/cli/JsonOutput.h"
#include "app/cli/TransferJson.h"
#include "app/cli/TransferSupport.h"

#include "job/TransferLog.h"
#include "link/MicLink.h"

#include <memory>
#include <optional>
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
    if (!NamesOnePort(context, "read", command.portValues))
        return CliExit::kUsage;
    // FILE is settled before the microphone is touched.
    bool replacing = false;
    if (!MayReplace(context, "read", command.file, command.force, replacing))
        return CliExit::kUsage;
    if (const std::string problem = WriteProblem(command.file); !problem.empty()) {
        context.err << "read: " << command.file << ": " << problem << "; nothing was read\n";
        return CliExit::kFailure;
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
    if (replacing)
        context.err << "Reading into " << command.file << ", replacing it.\n";
    if (Confirm(context, TransferMode::Read, command, outcome)) {
        outcome = RunTransfer(
            context, link, options, settings,
            [&](CProgrammingJob& job, CConsoleTransferView&) -> std::optional<CMicRecord> {
                CMicRecord record = job.Read();
                saved = IsSuccess(record.result) && SaveFromStore(context, command.file);
                if (IsSuccess(record.result) && !saved) {
                    record.result = JobResult::kFailed;
                    record.stage = JobStage::kSave;
                    record.cause.kind = CauseKind::kFileNotSaved;
                    record.cause.path = command.file;
                }
                job.LogRead(record);
                return record;
            });
    }
    if (options.json) {
        QJsonObject json = TransferJson(command, link);
        AddOutcome(json, outcome);
        json.insert("saved", saved);
        json.insert("ok", saved && outcome.ok);
        PrintJson(context.out, json);
    }
    return outcome.exitCode;
}

const char* const kReadHelp =
    "The microphone is read twice and FILE is written only when both reads\n"
    "agree; when they differ, a third read decides (--verify, the default,\n"
    "says so explicitly). --no-verify reads once.\n"
    "An existing FILE is replaced only with --force (--yes does not imply it);\n"
    "without it the tool asks on a terminal, and refuses (exit code 2) before\n"
    "the microphone is touched when standard input is not one. A FILE that\n"
    "cannot be written is refused before the read.\n\n";

const std::string kReadFullHelp = std::string(kReadHelp) + kConfirmHelp + kPortHelp;

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
         {"--yes", "--force", "--trace", "--quiet", "--json", "--verify", "--no-verify"},
         [](CCliContext& c, const CCliArgs& a) { return RunRead(c, a); }},
    };
}
