#include "app/cli/TransferSupport.h"

#include "app/cli/ConfigDiff.h"
#include "app/cli/ConsoleRecord.h"
#include "app/cli/InputWait.h"
#include "app/cli/Interrupt.h"
#include "app/cli/WireTrace.h"

#include "core/ConfigStore.h"
#include "core/FileIo.h"
#include "core/UserText.h"
#include "job/MicBackup.h"
#include "job/MicLabel.h"
#include "job/ShopRecord.h"
#include "job/TransferLog.h"
#include "link/MicLink.h"
#include "text/MessageBoxes.h"
#include "text/MessageStyle.h"
#include "text/TextCatalog.h"
#include "words/RecordWords.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <algorithm>
#include <fstream>
#include <istream>
#include <ostream>

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "qzm530rx-cli";
    static char* argv[] = {name, nullptr};
    // Kept for the whole run, reachable from here.
    static QCoreApplication* app = nullptr;
    if (!app && !QCoreApplication::instance())
        app = new QCoreApplication(argc, argv);
}

CTransferOptions TransferOptionsOf(const CCliContext& context, const CTransferCommand& command)
{
    CTransferOptions options;
    options.trace = command.trace;
    options.json = command.json;
    options.fileImage = std::string(command.name) != "read";
    if (command.quiet)
        options.progress = Progress::None;
    else if (context.progressOnTerminal)
        options.progress = Progress::Rewritten;
    return options;
}

int RefusedFiles(CCliContext& context, const CTransferCommand& command)
{
    LogVersion version = kNewestLog;
    switch (command.logPath.empty() ? LogFileState::kNew : InspectLog(command.logPath, version)) {
    case LogFileState::kNew:
    case LogFileState::kLog:
        break;
    case LogFileState::kNotALog:
        context.err << command.name << ": " << command.logPath << " is no log of " << kCliName
                    << " (its first line is no header of one); give --log a log or a new file\n";
        return CliExit::kUsage;
    case LogFileState::kNotWritable:
        context.err << "cannot write the log " << command.logPath << "\n";
        return CliExit::kFailure;
    }
    CBackupFailure backup;
    if (!CanSaveBackups(command.backupDir, backup)) {
        CCause cause;
        cause.kind = CauseKind::kBackupFolder;
        cause.path = backup.path;
        cause.error = backup.error;
        context.err << command.name << ": --backup: " << CauseText(cause) << "\n";
        return CliExit::kUsage;
    }
    return CliExit::kOk;
}

int OpenShopRecord(CCliContext& context, const CTransferCommand& command,
                   std::unique_ptr<CShopRecord>& record)
{
    if (command.record.empty())
        return CliExit::kOk;
    CRecordAddress address;
    CRecordFault error;
    if (!ParseRecordAddress(command.record, address, error)) {
        context.err << command.name << ": --record: " << RecordFaultText(error) << "\n";
        return CliExit::kUsage;
    }
    const std::string station =
        command.station.empty() ? QSysInfo::machineHostName().toStdString() : command.station;
    record = CShopRecord::Open(address, station, error);
    if (!record) {
        context.err << command.name << ": --record: " << RecordFaultText(error) << "\n";
        return CliExit::kFailure;
    }
    std::ostream& err = context.err;
    const std::string name = command.name;
    record->SetNotice([&err, name](const CRecordNotice& notice) {
        err << name << ": " << RecordNoticeText(notice) << "\n" << std::flush;
    });
    return CliExit::kOk;
}

int JobSettings(CCliContext& context, const CTransferCommand& command, const CTransferLog& log,
                CJobSettings& settings)
{
    settings.port = command.port;
    settings.dataFile = command.file;
    settings.verify = command.verify;
    settings.skipSame = command.skipSame;
    settings.verifyWaitMs = command.verifyWaitMs;
    settings.backupDir = command.backupDir;
    settings.log = log.Path().empty() ? nullptr : &log;
    settings.describe = [](const CMicRecord& record) { return RecordSentence(record); };
    return RefusedFiles(context, command);
}

bool CanConfirm(CCliContext& context, TransferMode mode, const CTransferCommand& command,
                CTransferOutcome& outcome)
{
    if (command.yes || context.interactive)
        return true;
    const char* const name = mode == TransferMode::Read ? "read" : "write";
    outcome.windowText = std::string(name) +
                         ": standard input is not a terminal, so the confirmation cannot be "
                         "asked; give --yes to confirm";
    context.err << outcome.windowText << "\n";
    return false;
}

bool Confirm(CCliContext& context, TransferMode mode, const CTransferCommand& command,
             CTransferOutcome& outcome)
{
    if (!CanConfirm(context, mode, command, outcome))
        return false;
    if (command.yes ||
        context.boxes.ShowMessageById(nullptr, TransferQuestionId(mode), TextId::kTitleConfirmation,
                                      MessageStyle::kOkCancel | MessageStyle::kIconQuestion) ==
            MessageAnswer::kOk)
        return true;
    outcome.windowText = "Cancelled.";
    context.err << outcome.windowText << "\n";
    return false;
}

CTransferOutcome RunTransfer(CCliContext& context, CMicLink& link, const CTransferOptions& options,
                             const CJobSettings& settings, const JobAction& action)
{
    CConsoleTransferView view(context.texts, context.out, context.err, options.progress,
                              !options.json);
    CWireTrace tracer(link, view, options.json ? context.err : context.out);
    link.SetWireObserver(options.trace ? &tracer : nullptr);
    std::optional<CMicRecord> record;
    {
        const CInterruptScope interrupts(*context.stop);
        link.SetStopFlag(context.stop);
        CTransfer transfer(link, context.store, context.texts, view);
        CProgrammingJob job(link, transfer, context.store, context.clock, settings);
        if (options.progress != Progress::None) {
            job.SetEventObserver([&](const CJobEvent& event) {
                view.EndLine();
                context.err << JobEventText(event) << "\n" << std::flush;
            });
        }
        record = action(job, view);
        view.EndLine();
        link.SetStopFlag(nullptr);
    }
    link.SetWireObserver(nullptr);

    CTransferOutcome outcome;
    // What the progress window showed last; a stop the user asked for is
    // not the link's failure.
    if (view.LastToldId() != 0)
        outcome.windowText = context.texts.GetText(view.LastToldId());
    if (!record)
        return outcome;
    outcome.ran = true;
    outcome.record = *record;
    // A write or a check names FILE's image, whatever operation it ended in.
    if (options.fileImage)
        outcome.fileSha256 = Sha256Hex(context.store.WorkingImage(), CConfigStore::kImageSize);
    outcome.exitCode = static_cast<int>(record->GetVerdict());
    outcome.ok = outcome.exitCode == CliExit::kOk;
    if (record->result == JobResult::kInterrupted)
        outcome.windowText.clear();
    const std::vector<CConsoleLine> lines = ConsoleLines(*record);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // With --json the sentence is in the document; a plain read has
        // said all with "Reading completed.".
        if (i == 0 && (options.json || record->result == JobResult::kRead))
            continue;
        (lines[i].toOut ? context.out : context.err) << lines[i].text << "\n" << std::flush;
    }
    return outcome;
}

const char* const kPortHelp =
    "PORT is a port number (3), a Windows port name (COM3, \\\\.\\COM12) or a device\n"
    "path (/dev/ttyUSB0). On Linux and macOS port number n leads to the device\n"
    "pinned as \"Ports/COM<n>\" (see 'qzm530rx-cli ports').\n"
    "Progress goes to stderr. --trace prints every byte on the wire, as it\n"
    "travels (masked) and without its mask.\n"
    "The counter \"Block n / 9\" is one line rewritten in place when stderr is a\n"
    "terminal, else a line for each block; --quiet shows no progress at all.\n"
    "--json prints one JSON object on stdout at the end: command, file, port,\n"
    "device, ok, message (what the progress window would have shown), outcome\n"
    "(the sentence that ends the run on stdout without --json), and the\n"
    "microphone's record: operation, microphone, unit, label, model, version,\n"
    "sha256, result (the log's word), stage (where it ended), cause (a word:\n"
    "no-answer, refused, lost, ...), causeText, block and blocks (counted from\n"
    "1), offset, identifier, holds (as-it-was, new, part-of-each, not-known),\n"
    "backup, wayBack (file, port, command) and logged, and openFailure; a value\n"
    "that is missing is null. Several microphones give one object a line, each as\n"
    "it finishes, then a summary object (\"summary\": true). The trace then goes\n"
    "to stderr. A failure's sentences go to stderr, the result to stdout.\n"
    "--log FILE.csv appends a line per operation (a backup, a write, a read, a\n"
    "check): time, port, device, model, version, operation, data file, SHA-256\n"
    "of its image, result, message, duration, label, unit (the same on every\n"
    "line of one microphone), stage, cause and holds; several runs may share one\n"
    "log, and a log begun by an older version goes on with its own columns. A\n"
    "file that is not a log of this tool is refused (exit 2) and left alone.\n"
    "Ctrl+C stops at the next step, ends the session as the microphone expects\n"
    "and says what the microphone holds (exit status of the interrupt, 130); a\n"
    "second Ctrl+C ends at once, and the log still gets the microphone's line.\n";

const char* const kConfirmHelp =
    "--yes answers the confirmation; without it the question is asked on the\n"
    "terminal, and refused when standard input is not one.\n";
