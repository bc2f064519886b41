#pragma once
// The command line of read, write and verify, read once at the command's
// start into a typed command, the ports it names, and their links.
#include "app/cli/CliSupport.h"
#include "job/ProgrammingJob.h"
#include "link/PortName.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMicLink;
struct CFleetSetup;

// Whether `port` is no COM number beyond this system's range; says the
// range on stderr when it is.
bool PortInRange(CCliContext& context, const char* command, const std::string& port);

// Whether the `--port` values name one port, as a command that works on one
// needs; says on stderr when they name several ("3,4", or --port twice).
bool NamesOnePort(CCliContext& context, const char* command,
                  const std::vector<std::string>& portValues);

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
    std::string serial;    // --serial PATTERN: each microphone's label from a counter
    bool allowDuplicateLabels = false;
    bool changes = false;
    bool skipSame = false;
    uint32_t verifyWaitMs = CJobSettings::kDefaultVerifyWaitMs;
    std::string logPath;
    std::string backupDir;
    std::string record;  // --record: the shop's record; empty: none
    std::string station; // --station: this station's name in it
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
    std::vector<std::string> ports;   // their one names
    std::vector<CPortChoice> choices; // the same, with their devices
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

// The link of the port the user named: the context's, else the system's.
std::unique_ptr<CMicLink> MakeLink(const CCliContext& context, const std::string& port);
// The same for a port looked up already.
std::unique_ptr<CMicLink> MakeLink(const CCliContext& context, const CPortChoice& port);
// A job's start: numbers the system's ports when one of `ports` is named by
// a number, so that a device plugged in since has its number.
void NumberPortsForJob(const CCliContext& context, const std::vector<std::string>& ports);

// A fleet on the context's ports (or the system's, as `ports` chose them)
// and console, quiet or live as the options say.
CFleetSetup ConsoleFleetSetup(const CCliContext& context, const CTransferCommand& command,
                              const std::vector<CPortChoice>& ports);
