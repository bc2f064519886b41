#pragma once
#include "job/JobResult.h"
#include "words/RecordWords.h"

#include <atomic>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

struct COpenFailure;
class CConfigStore;
class CMessageBoxes;
class CTextCatalog;
class CMicLink;
class ILocalClock;

// Exit codes of the command-line tool: a job's or a run's Verdict as its
// number, and 2 for a command line that was not understood.
namespace CliExit {
constexpr int kOk = static_cast<int>(Verdict::kOk);
constexpr int kFailure = static_cast<int>(Verdict::kFailure);
constexpr int kUsage = 2;
constexpr int kNotVerified = static_cast<int>(Verdict::kNotVerified);
constexpr int kHoldsOther = static_cast<int>(Verdict::kHoldsOther);
// A transfer that Ctrl+C stopped; after a signal, the tool ends as the
// signal would have (128 + its number).
constexpr int kInterrupted = static_cast<int>(Verdict::kInterrupted);
} // namespace CliExit

// Makes the link of a port as the user named it (a test plays the line).
using CliLinkMaker = std::function<std::unique_ptr<CMicLink>(const std::string& port)>;

// What every command gets: the libraries' objects, wired as the desktop
// program wires them, and the streams it talks on.
struct CCliContext
{
    CConfigStore& store;
    CTextCatalog& texts;
    CMessageBoxes& boxes;
    const ILocalClock& clock;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    // Whether `in` is a terminal, where a person can answer a question.
    bool interactive;
    // Whether `err` is a terminal, where a progress line can be rewritten.
    bool progressOnTerminal = false;
    // The ports' links; empty: the system's serial ports.
    CliLinkMaker makeLink{};
    // Set to ask the transfer in progress to stop (Ctrl+C sets it); never
    // nullptr while a command runs.
    std::atomic<bool>* stop = nullptr;
};

// The parsed words of one command: positional arguments in order, options
// by name (a "--name" without value maps to ""), wherever they stood.
struct CCliArgs
{
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;

    bool Has(const std::string& name) const;
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
};

struct CCliCommand
{
    const char* name;
    const char* synopsis; // "info FILE"
    const char* summary;  // one line
    const char* help;     // the rest of the command's --help
    int minArgs;          // positional arguments
    int maxArgs;          // -1: no upper limit
    // Options that take a value ("--port"); every other option is a flag.
    std::vector<std::string> valueOptions;
    std::vector<std::string> flagOptions;
    std::function<int(CCliContext&, const CCliArgs&)> run;
};

// Splits the words after the command name. False with `error` set when an
// option is unknown or lacks its value.
bool ParseCliArgs(const CCliCommand& command, const std::vector<std::string>& words, CCliArgs& args,
                  std::string& error);

// Prints the usage of one command: synopsis, summary, the line that names
// every option, and the command's help text.
void PrintCommandUsage(const CCliCommand& command, std::ostream& out);

// The listing of the command table (CliListing.cpp).
// The word that stands for a value option's value: "PORT" for --port.
std::string OptionPlaceholder(const std::string& option);
// Every option of a command in the table's order, value options with their
// placeholder ("--port PORT"), then the flags, then --help.
std::vector<std::string> CommandOptions(const CCliCommand& command);
// "Options:", then one option a line with what it does, as
// "  --port PORT           the port: ...".
void PrintOptionLine(const CCliCommand& command, std::ostream& out);
// What `option` ("--port") does, in a few words; empty when unknown.
std::string OptionSummary(const std::string& option);
// The hidden listings, one entry a line, for the manual page and the shell
// completion: `qzm530rx-cli --list-commands` prints every command's name,
// `qzm530rx-cli COMMAND --list-options` every option of the command.
// `qzm530rx-cli --list-ports` every name that leads to a serial device
// present now (its number, COMn and its device), `qzm530rx-cli
// --list-settings` every word `set` takes: "ID=", "Label=" and each with
// each of its values ("1006=+10dB").
constexpr const char* kListCommandsOption = "--list-commands";
constexpr const char* kListOptionsOption = "--list-options";
constexpr const char* kListPortsOption = "--list-ports";
constexpr const char* kListSettingsOption = "--list-settings";
void PrintPresentPorts(std::ostream& out);
int PrintSettingWords(std::ostream& out);
void PrintCommandNames(const std::vector<CCliCommand>& commands, std::ostream& out);
void PrintCommandOptions(const CCliCommand& command, std::ostream& out);

// The tool's own name, as a command line starts with it.
constexpr const char* kCliName = kToolName;

// Loads FILE into the store's working image and saved copy; on failure
// says on stderr which file and why, in a few words ("nosuch.dat: no such
// file", "is a folder", "configured for QZM-400, not a QZM-530RX data
// file").
bool LoadIntoStore(CCliContext& context, const std::string& path);
// Saves the working image to FILE; on failure says which file and why.
bool SaveFromStore(CCliContext& context, const std::string& path);
// The text of the regular file at `path` (a FIFO is refused, never waited
// on), at most `largest` bytes; false with `problem` set ("no such file",
// "too long for a <what>").
bool ReadTextFile(const std::string& path, std::size_t largest, const char* what, std::string& text,
                  std::string& problem);
// Why FILE could not be written now (a missing folder, no permission, a
// folder or a device in its place); empty when it can be.
std::string WriteProblem(const std::string& path);
// Whether `command` may write FILE: it does not exist yet, `force` was
// given, or the user agrees at the terminal. Without a terminal it refuses
// on stderr, naming the file and --force. `replacing` tells whether FILE
// exists and will be replaced.
bool MayReplace(CCliContext& context, const char* command, const std::string& path, bool force,
                bool& replacing);

// Runs the tool on its whole command line (argv[0] included) and returns
// the exit code. Results go to `out`; messages, questions and progress, which
// are for the person at the terminal, to `err`. `interactive` tells whether
// `in` is a terminal: without one a question is never asked.
// `errIsTerminal` tells whether `err` is one: only there is the progress
// line rewritten in place.
// `makeLink`, when given, makes the links of the ports instead of the
// system's serial ports. `stop`, when given, is the flag that asks a
// transfer to stop (a test sets it as Ctrl+C would); a transfer watches
// the interrupt signals meanwhile.
int RunCli(const std::vector<std::string>& argv, std::istream& in, std::ostream& out,
           std::ostream& err, bool interactive, const ILocalClock& clock,
           bool errIsTerminal = false, const CliLinkMaker& makeLink = {},
           std::atomic<bool>* stop = nullptr);

// The command sets of the tool.
std::vector<CCliCommand> FileCommands();
// report: the sums of transfer logs.
std::vector<CCliCommand> ReportCommands();
std::vector<CCliCommand> PortCommands();
std::vector<CCliCommand> ReadCommands();
std::vector<CCliCommand> WriteCommands();
std::vector<CCliCommand> VerifyCommands();
// Every command of the tool, in the order its help lists them.
std::vector<CCliCommand> AllCommands();
