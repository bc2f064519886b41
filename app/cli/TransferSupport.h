#pragma once
// What the read and write commands share: the port they name, their
// options, the confirmation, one job run on the console, and its outcome.
#include "app/cli/CliSupport.h"
#include "app/cli/ConsoleTransferView.h"
#include "job/MicRecord.h"
#include "job/ProgrammingJob.h"
#include "link/PortName.h"

#include <QJsonObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMicLink;
class CTransferLog;

// Whether `port` is no COM number beyond this system's range; says the
// range on stderr when it is.
bool PortInRange(CCliContext& context, const char* command, const std::string& port);

// The link of the port the user named: the context's, else the system's.
std::unique_ptr<CMicLink> MakeLink(const CCliContext& context, const std::string& port);
// A job's start: numbers the system's ports when one of `ports` is named by
// a number, so that a device plugged in since has its number.
void NumberPortsForJob(const CCliContext& context, const std::vector<std::string>& ports);

// The command line of read, write or verify, read once at the command's
// start; nothing below the command looks at the raw words again.
struct CTransferCommand
{
    const char* name = "";               // "read", "write" or "verify"
    bool force = false;                  // read: replace an existing FILE
    std::string file;                    // FILE
    std::string port;                    // the last --port, as named
    std::vector<std::string> portValues; // every --port, as given (lists unsplit)
    bool yes = false;
    bool trace = false;
    bool quiet = false;
    bool json = false;
    bool verify = true; // not --no-verify
    bool repeat = false;
    bool continuous = false;
    int count = 0;         // --count N: a continuous run's quantity; 0: none
    bool askLabel = false; // --ask-label: each microphone's label read from stdin
    bool changes = false;
    bool skipSame = false;
    uint32_t verifyWaitMs = CJobSettings::kDefaultVerifyWaitMs;
    std::string logPath;
    std::string backupDir;
};
// Reads command `name`'s options from `args`: 0, or kUsage with the reason on
// stderr (--verify with --no-verify, a wait that is no number of seconds).
int ReadTransferCommand(CCliContext& context, const CCliArgs& args, const char* name,
                        CTransferCommand& command);

// What a write or verify works on: the ports --port names and, for one port
// without --continuous, its link; several ports, or --continuous, run as a
// fleet (with a link of its own for each port).
struct CTransferTarget
{
    std::vector<std::string> ports;
    bool fleet = false;
    std::unique_ptr<CMicLink> link;
};
// An option that works on one port only, and whether it was given.
struct COnePortOption
{
    const char* name;
    bool given;
};
// Reads the target from --port, refusing the options in `onePortOnly` that
// were given on a fleet. 0 when it is ready; else kUsage, with the reason on
// stderr.
int ChooseTarget(CCliContext& context, const CTransferCommand& command,
                 const std::vector<COnePortOption>& onePortOnly, CTransferTarget& target);

struct CFleetSetup;
// A fleet on the context's ports and console, quiet or live as the options say.
CFleetSetup ConsoleFleetSetup(const CCliContext& context, const CTransferCommand& command);

// --ask-label: asks for the label of the next microphone on stderr and
// reads a line from standard input (a scanner types it and Enter); a label
// that is refused is asked again. False on an empty line or the end of the
// input: the run ends, as it does once `stopped` holds while it waits.
bool AskLabel(CCliContext& context, std::string& label, const std::function<bool()>& stopped);
// Whether --ask-label may be given as `command` stands: it needs --yes (no
// answer is read from the labels), --continuous or --repeat, one port, and
// a log that has the label column. 0, or kUsage with the reason on stderr.
int CheckAskLabel(CCliContext& context, const CTransferCommand& command, std::size_t portCount);

// QSerialPort needs an event dispatcher in the thread that uses it.
void EnsureApplication();

// How one read or write command runs, from its options and the terminal.
struct CTransferOptions
{
    bool trace = false;
    bool json = false;
    Progress progress = Progress::Lines;
    // The store holds FILE's image throughout (write, verify), not the
    // image a read brings.
    bool fileImage = false;
};
CTransferOptions TransferOptionsOf(const CCliContext& context, const CTransferCommand& command);

// The outcome of one job on the console.
struct CTransferOutcome
{
    bool ok = false;
    bool ran = false;  // a job ran (a refusal before it runs none)
    CMicRecord record; // what the job did, when it ran
    // What the progress window would have shown last (JSON "message"), or
    // why nothing was moved.
    std::string windowText;
    // FILE's SHA-256 for a write or a check; empty for a read.
    std::string fileSha256;
    int exitCode = CliExit::kFailure;
};
// Adds ok, message, outcome (the sentence that ends the run on stdout) and
// every field of the record to a JSON document (null for what is missing).
void AddOutcome(QJsonObject& json, const CTransferOutcome& outcome);
// The document's first fields: command, file, port, device.
QJsonObject TransferJson(const CTransferCommand& command, const CMicLink& link);

// The files the options name, checked before any port is touched: --log
// must be a log of this tool, or a new file (else kUsage), that can be
// written (else kFailure); --backup a folder that can be written or made
// (else kUsage). 0 when they can be used; the reason on stderr otherwise.
int RefusedFiles(CCliContext& context, const CTransferCommand& command);
// The job's settings from the options: verification, its wait, the log
// (`log`, named by --log), the backup folder and the log's message; then
// RefusedFiles' check, and its answer.
int JobSettings(CCliContext& context, const CTransferCommand& command, const CTransferLog& log,
                CJobSettings& settings);

// The user's go-ahead for a transfer: --yes, or the confirmation answered
// at the terminal. Says on stderr why not when there is none, and keeps
// that in `outcome`.
bool Confirm(CCliContext& context, TransferMode mode, const CTransferCommand& command,
             CTransferOutcome& outcome);
// Whether the confirmation can be had at all (--yes, or a terminal), with
// the same refusal as Confirm when not.
bool CanConfirm(CCliContext& context, TransferMode mode, const CTransferCommand& command,
                CTransferOutcome& outcome);

// One job, its transfers as the progress window runs them: progress and
// their messages on the console, the job's events on stderr (none with
// --quiet). Then the record's lines (ConsoleLines; with --json only into
// the outcome). Ctrl+C (the context's stop flag) stops the job at its next
// step. An action that returns no record (a write whose confirmation was
// refused after the changes were shown) says nothing more.
using JobAction =
    std::function<std::optional<CMicRecord>(CProgrammingJob& job, CConsoleTransferView& view)>;
CTransferOutcome RunTransfer(CCliContext& context, CMicLink& link, const CTransferOptions& options,
                             const CJobSettings& settings, const JobAction& action);

// What differs between the microphone's `image` (first) and the store's
// working image (the file), in diff's format on stdout: the settings, then
// a line for the other bytes; `same` is said when nothing differs.
void PrintMicrophoneDiff(CCliContext& context, const MicImage& image, const char* same);
// The same as diff --json's "same", "settings" and "bytes", `a` the
// microphone, added to `json`.
void AddMicrophoneDiff(CCliContext& context, const MicImage& image, QJsonObject& json);

// The help shared by read, write and verify: ports, progress, JSON, log, Ctrl+C.
extern const char* const kPortHelp;
// --yes, for the commands that ask before they transfer.
extern const char* const kConfirmHelp;
