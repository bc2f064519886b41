#pragma once
// What the read and write commands share: the port they name, their
// options, the confirmation, one job run on the console, and its outcome.
#include "app/cli/CliSupport.h"
#include "app/cli/ConsoleTransferView.h"
#include "link/PortName.h"
#include "link/ProgrammingJob.h"

#include <QJsonObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMicLink;
class CTransferLog;

// The link of the port the user named: the context's, else the system's.
std::unique_ptr<CMicLink> MakeLink(const CCliContext& context, const std::string& port);
// A job's start: numbers the system's ports when one of `ports` is named by
// a number, so that a device plugged in since has its number.
void NumberPortsForJob(const CCliContext& context, const std::vector<std::string>& ports);

// What a write or verify works on: the ports --port names and, for one port
// without --continuous, its link; several ports, or --continuous, run as a
// fleet (with a link of its own for each port).
struct CTransferTarget
{
    std::vector<std::string> ports;
    bool fleet = false;
    std::unique_ptr<CMicLink> link;
};
// Reads the target from --port, refusing the `onePortOnly` options on a
// fleet. 0 when it is ready; else kUsage, with the reason on stderr.
int ChooseTarget(CCliContext& context, const CCliArgs& args, const char* command,
                 const std::vector<std::string>& onePortOnly, CTransferTarget& target);

struct CFleetSetup;
// A fleet on the context's ports and console, quiet or live as the options say.
CFleetSetup ConsoleFleetSetup(const CCliContext& context, const CCliArgs& args);

// QSerialPort needs an event dispatcher in the thread that uses it.
void EnsureApplication();

// How one read or write command runs, from its options and the terminal.
struct CTransferOptions
{
    bool trace = false;
    bool json = false;
    Progress progress = Progress::Lines;
};
CTransferOptions TransferOptionsOf(const CCliContext& context, const CCliArgs& args);

// The outcome of one job on the console: the message the progress window
// would have shown last, the job's result (the log's word for it) and
// sentence, why the port did not open when it did not, and whether its
// log line was written.
struct CTransferOutcome
{
    bool ok = false;
    std::string result;
    std::string message;
    std::string sentence;
    std::string openFailure;
    int exitCode = CliExit::kFailure;
    bool logged = true;
};
// Adds ok, message, result, outcome and openFailure to a JSON document.
void AddOutcome(QJsonObject& json, const CTransferOutcome& outcome);
// The document's first fields: command, file, port, device.
QJsonObject TransferJson(const char* command, const CCliArgs& args, const CMicLink& link);

// The job's settings from the options: verification, its wait, the log
// (`log`, named by --log) and the backup folder. 0 when the job can start;
// else the exit code, with the reason on stderr: options that do not go
// together, a wait that is not a number of seconds, a log that cannot be
// written.
int JobSettings(CCliContext& context, const CCliArgs& args, const char* command,
                const CTransferLog& log, CJobSettings& settings);

// The user's go-ahead for a transfer: --yes, or the confirmation answered
// at the terminal. Says on stderr why not when there is none, and keeps
// that in `outcome`.
bool Confirm(CCliContext& context, TransferMode mode, const CCliArgs& args,
             CTransferOutcome& outcome);
// Whether the confirmation can be had at all (--yes, or a terminal), with
// the same refusal as Confirm when not.
bool CanConfirm(CCliContext& context, TransferMode mode, const CCliArgs& args,
                CTransferOutcome& outcome);

// One job, its transfers as the progress window runs them: progress and
// boxes on the console, the job's notices on stderr (none with --quiet).
// The job's closing sentence goes to stdout (unless it is empty), or with
// --json only into the outcome.
using JobAction = std::function<CJobOutcome(CProgrammingJob& job)>;
CTransferOutcome RunTransfer(CCliContext& context, CMicLink& link, const CTransferOptions& options,
                             const CJobSettings& settings, const JobAction& action);

// What differs between the microphone's `image` (first) and the store's
// working image (the file), in diff's format on stdout: the settings, then
// a line for the other bytes; `same` is said when nothing differs.
void PrintMicrophoneDiff(CCliContext& context, const MicImage& image, const char* same);
// The same as diff --json's "same", "settings" and "bytes", `a` the
// microphone, added to `json`.
void AddMicrophoneDiff(CCliContext& context, const MicImage& image, QJsonObject& json);

// The help shared by read and write: ports, confirmation, progress, JSON, log.
extern const char* const kPortHelp;
