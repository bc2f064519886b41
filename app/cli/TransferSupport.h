#pragma once
// What the read and write commands share: their options, the files they
// name, the confirmation, one job run on the console, and its outcome.
#include "app/cli/CliSupport.h"
#include "app/cli/ConsoleTransferView.h"
#include "app/cli/TransferCommand.h"
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
class CShopRecord;
class CTransferLog;

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
// The files the options name, checked before any port is touched: --log
// must be a log of this tool, or a new file (else kUsage), that can be
// written (else kFailure); --backup a folder that can be written or made
// (else kUsage). 0 when they can be used; the reason on stderr otherwise.
int RefusedFiles(CCliContext& context, const CTransferCommand& command);
// The job's settings from the options: verification, its wait, the log
// (`log`, named by --log), the backup folder and the log's message; then
// RefusedFiles' check, and its answer.
// Opens the shop's record that --record names (none without it) for
// --station, by default this machine's name: 0; kUsage for an address that
// is none, kFailure when it cannot be opened, with the reason on stderr. Its
// notices (gone away, back) go to stderr.
int OpenShopRecord(CCliContext& context, const CTransferCommand& command,
                   std::unique_ptr<CShopRecord>& record);
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

// The help shared by read, write and verify: ports, progress, JSON, log, Ctrl+C.
extern const char* const kPortHelp;
// --yes, for the commands that ask before they transfer.
extern const char* const kConfirmHelp;
