// The write command: one microphone, one after another, or several ports.
#include "app/cli/CliSupport.h"
#include "app/cli/ConfigDiff.h"
#include "app/cli/FleetCommand.h"
#include "app/cli/JsonOutput.h"
#include "app/cli/LabelInput.h"
#include "app/cli/TransferJson.h"
#include "app/cli/TransferSupport.h"

#include "job/ShopRecord.h"
#include "job/TransferLog.h"
#include "link/MicLink.h"

#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

// Reads the microphone once, lists what the write will change (into
// `changes` with --json), asks, and writes, taking the backup and the skip
// from that one read.
CTransferOutcome WriteWithChanges(CCliContext& context, CMicLink& link,
                                  const CTransferCommand& command, const CTransferOptions& options,
                                  const CJobSettings& settings, QJsonObject& changes)
{
    return RunTransfer(
        context, link, options, settings,
        [&](CProgrammingJob& job, CConsoleTransferView& view) -> std::optional<CMicRecord> {
            CMicRecord failure;
            if (!job.ReadPresent(failure))
                return failure;
            view.EndLine();
            if (options.json) {
                AddMicrophoneDiff(context, *job.PresentImage(), changes);
            } else {
                context.out << "Changes, the microphone's value first, then " << command.file
                            << "'s:\n";
                PrintMicrophoneDiff(context, *job.PresentImage(),
                                    "The microphone already holds this configuration.");
            }
            CTransferOutcome refused;
            // Nothing was written: no sentence beyond the refusal.
            if (!Confirm(context, TransferMode::Write, command, refused))
                return std::nullopt;
            return job.Write();
        });
}

// Several ports, a production line, or one microphone after another: one
// thread per port, the job of a write on each microphone.
int RunFleet(CCliContext& context, const CTransferCommand& command, const CTransferTarget& target,
             const CJobSettings& settings, CLabelSource& labels)
{
    CTransferOutcome refused;
    if (!Confirm(context, TransferMode::Write, command, refused))
        return CliExit::kFailure;
    CFleetSetup setup = ConsoleFleetSetup(context, command, target.choices);
    setup.labels = &labels;
    return RunFleetWrite(context, command, target.ports, settings, setup);
}

int RunWrite(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    CTransferCommand command;
    if (const int refused = ReadTransferCommand(context, args, "write", command))
        return refused;
    CTransferTarget target;
    if (const int refused = ChooseTarget(context, command,
                                         {{"--repeat", command.repeat},
                                          {"--trace", command.trace},
                                          {"--changes", command.changes}},
                                         target))
        return refused;
    if (command.changes && command.repeat) {
        context.err << "write: --changes shows one microphone; it does not go with --repeat\n";
        return CliExit::kUsage;
    }
    CLabelSource labels(context, command);
    if (const int refused = labels.Prepare(target.ports.size()))
        return refused;
    CMicLink& link = *target.link;
    const CTransferLog log(command.logPath);
    CJobSettings settings;
    if (const int refused = JobSettings(context, command, log, settings))
        return refused;
    std::unique_ptr<CShopRecord> record;
    if (const int refused = OpenShopRecord(context, command, record))
        return refused;
    settings.record = record.get();
    labels.SetRecord(record.get());
    if (!LoadIntoStore(context, command.file))
        return CliExit::kFailure;
    if (target.fleet || command.repeat)
        return RunFleet(context, command, target, settings, labels);
    // One microphone: its label is the counter's next.
    if (labels.Active() && !labels.Next(command.port, settings.label, [] { return false; }))
        return CliExit::kFailure;
    const CTransferOptions options = TransferOptionsOf(context, command);
    CTransferOutcome outcome;
    if (command.changes) {
        QJsonObject changes;
        if (CanConfirm(context, TransferMode::Write, command, outcome))
            outcome = WriteWithChanges(context, link, command, options, settings, changes);
        if (options.json) {
            QJsonObject json = TransferJson(command, link);
            AddOutcome(json, outcome);
            if (!changes.isEmpty())
                json.insert("changes", changes);
            PrintJson(context.out, json);
        }
        return outcome.exitCode;
    }
    if (Confirm(context, TransferMode::Write, command, outcome))
        outcome = RunTransfer(context, link, options, settings,
                              [](CProgrammingJob& job, CConsoleTransferView&) {
                                  return std::optional<CMicRecord>(job.Write());
                              });
    if (options.json) {
        QJsonObject json = TransferJson(command, link);
        AddOutcome(json, outcome);
        PrintJson(context.out, json);
    }
    return outcome.exitCode;
}

const char* const kWriteHelp =
    "After the write the microphone is read back and compared with FILE\n"
    "(--no-verify leaves that out); re-entry is tried for --verify-wait S\n"
    "seconds (10). Exit code 0: verified; 1: failed, or written but differs;\n"
    "3: written, not verified. --backup DIR first reads the microphone until\n"
    "two reads agree and saves its configuration in DIR; if that fails,\n"
    "nothing is written; the write's entry after it is tried for\n"
    "--verify-wait S seconds as well.\n"
    "--changes reads the microphone first and lists the settings that will\n"
    "change (the microphone's value first) before the confirmation.\n"
    "--skip-same reads it first and leaves it alone when it already holds\n"
    "FILE's configuration (result unchanged, exit code 0). With --backup the\n"
    "backup's read serves them too. A write that fails after its first block\n"
    "says how to get back: the backup to write, or FILE to write again, on\n"
    "that microphone's own port. A backup folder that is a file, or cannot be\n"
    "made or written, is refused before any port is touched (exit code 2).\n"
    "With --repeat it writes FILE to one microphone after another, asking\n"
    "for the next one after each (Enter, or q to stop), one result line each,\n"
    "and sums up at the end as a production line does; Ctrl+C stops the\n"
    "transfer in progress at its next step.\n"
    "--port 3,4,5 (or --port given several times) writes the microphones on\n"
    "several ports at once, one status line per port. --continuous makes a\n"
    "production line of it, on one port or several: each port waits for a\n"
    "microphone, writes it, waits until it is unplugged and starts over.\n"
    "There Ctrl+C ends after the transfers in progress and sums up. A\n"
    "microphone that failed or differs is announced on stderr as \"PUT ASIDE:\n"
    "COM4 microphone 7: <why>\" (with the terminal's bell): put it aside before\n"
    "the next one comes.\n"
    "--count N (with --continuous) ends the run by itself once N microphones\n"
    "went well (verified, written or unchanged); a failed one does not count\n"
    "and another is taken. No port takes a microphone while those done and\n"
    "those in progress make N. The summary counts of N; exit code 0 when the\n"
    "N are done and none failed, 1 when one failed on the way.\n"
    "--ask-label (one port, with --continuous or --repeat, and --yes) asks on\n"
    "stderr for each microphone's label before it is written and reads it as\n"
    "a line from standard input: a barcode scanner types it and Enter, a\n"
    "file of labels works too. An empty line or the end of the input ends\n"
    "the run. A label is at most 64 characters, without control characters;\n"
    "one that is refused is asked again at a terminal, while from a pipe or a\n"
    "file the run ends there (naming the line), so that no label goes to\n"
    "another microphone. It goes into the log's label column (a log begun\n"
    "without that column is refused: start a new one), the backup's name and\n"
    "the JSON.\n"
    "--serial PATTERN gives each microphone the next serial number as its\n"
    "label, on one port or several: 'SN-{0001}' counts from 1 with four\n"
    "digits, and {YYYY}, {YY}, {MM} and {DD} put in today's date. It goes on\n"
    "after the highest number of that form in the log, and gives no number\n"
    "twice.\n"
    "A label that the log shows done well, or that the run gave already, is\n"
    "refused; --allow-duplicate-labels takes it all the same. A microphone\n"
    "that did not go well gives its label back.\n"
    "--record URL keeps a row of each microphone in the shop's record as\n"
    "well: an SQLite file (a path) for one station, or a PostgreSQL database\n"
    "(postgresql://host/dbname, or postgresql:///dbname?host=/run/postgresql\n"
    "for a socket folder; the password from ~/.pgpass, PGPASSWORD or a\n"
    "service file, never on the command line) for several. --station NAME\n"
    "names this station in it (the host name by default). --serial then\n"
    "draws each number from the record, so that no two stations give one\n"
    "number, and a label the record shows done well on any station is\n"
    "refused. When the record goes away, the microphone in progress is\n"
    "finished and its row kept in a spool beside the settings; no new\n"
    "microphone is taken until the record is back and the spool is in it.\n\n";

const std::string kWriteFullHelp = std::string(kWriteHelp) + kConfirmHelp + kPortHelp;

} // namespace

std::vector<CCliCommand> WriteCommands()
{
    return {
        {"write",
         "write --port PORT FILE",
         "Writes the configuration in FILE to the microphone and reads it back.",
         kWriteFullHelp.c_str(),
         1,
         1,
         {"--port", "--verify-wait", "--log", "--backup", "--count", "--serial", "--record",
          "--station"},
         {"--yes", "--trace", "--repeat", "--quiet", "--json", "--verify", "--no-verify",
          "--ask-label", "--allow-duplicate-labels", "--continuous", "--changes", "--skip-same"},
         [](CCliContext& c, const CCliArgs& a) { return RunWrite(c, a); }},
    };
}
