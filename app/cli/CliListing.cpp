// What the tool says about its own commands and options: the option line of
// each command's --help, and the hidden listings that the manual page and
// the shell completion read, so that both follow the command table.
#include "app/cli/CliSupport.h"

#include <algorithm>
#include <ostream>

namespace {

struct CPlaceholder
{
    const char* option;
    const char* value;
};

// The word that stands for an option's value in the help texts. The shell
// completion offers ports after PORT, folders after DIR and files after a
// name that begins with FILE.
const CPlaceholder kPlaceholders[] = {
    {"--port", "PORT"},  {"--log", "FILE.csv"}, {"--backup", "DIR"}, {"--verify-wait", "S"},
    {"--forget", "N"},   {"--from", "PROFILE"}, {"--count", "N"},    {"--serial", "PATTERN"},
    {"--record", "URL"}, {"--station", "NAME"},
};
constexpr const char* kDefaultPlaceholder = "VALUE";
constexpr const char* kHelpOption = "--help";

// What each option does, in a few words, for the option list of --help;
// the command's own text says the rest.
const CPlaceholder kOptionSummaries[] = {
    {"--port", "the port: a COM number, COMn or a device path"},
    {"--log", "append a line per operation to this CSV log"},
    {"--backup", "save what the microphone held before it is written"},
    {"--verify-wait", "seconds the microphone gets to answer again (10)"},
    {"--forget", "remove the pin of COM N"},
    {"--from", "apply the settings of this profile"},
    {"--settings", "print the settings as a profile"},
    {"--yes", "answer the transfer's question with yes"},
    {"--force", "replace FILE if it exists"},
    {"--trace", "print every byte on the wire"},
    {"--quiet", "show no progress"},
    {"--json", "print the result as JSON"},
    {"--verify", "read back or read twice (the default)"},
    {"--no-verify", "do not read back; read once"},
    {"--repeat", "one microphone after another, until q"},
    {"--continuous", "a production line: until Ctrl+C"},
    {"--count", "with --continuous: end once N microphones went well"},
    {"--ask-label", "read each microphone's label from standard input"},
    {"--serial", "label each microphone with the next number: 'SN-{0001}'"},
    {"--allow-duplicate-labels", "take a label that was used already"},
    {"--record", "the shop's record: an SQLite file or postgresql://..."},
    {"--station", "this station's name in the record (the host name)"},
    {"--changes", "list the settings that will change, then ask"},
    {"--skip-same", "leave a microphone that holds FILE alone"},
    {kHelpOption, "show this text and end"},
};
constexpr std::size_t kSummaryColumn = 24;

} // namespace

std::string OptionPlaceholder(const std::string& option)
{
    for (const CPlaceholder& placeholder : kPlaceholders)
        if (option == placeholder.option)
            return placeholder.value;
    return kDefaultPlaceholder;
}

std::vector<std::string> CommandOptions(const CCliCommand& command)
{
    std::vector<std::string> options;
    for (const std::string& option : command.valueOptions)
        options.push_back(option + " " + OptionPlaceholder(option));
    for (const std::string& option : command.flagOptions)
        options.push_back(option);
    options.emplace_back(kHelpOption);
    return options;
}

std::string OptionSummary(const std::string& option)
{
    for (const CPlaceholder& summary : kOptionSummaries)
        if (option == summary.option)
            return summary.value;
    return {};
}

void PrintOptionLine(const CCliCommand& command, std::ostream& out)
{
    out << "Options:\n";
    for (const std::string& option : CommandOptions(command)) {
        std::string line = "  " + option;
        const std::string summary = OptionSummary(option.substr(0, option.find(' ')));
        if (!summary.empty()) {
            line.resize(std::max(line.size() + 1, kSummaryColumn), ' ');
            line += summary;
        }
        out << line << "\n";
    }
}

void PrintCommandNames(const std::vector<CCliCommand>& commands, std::ostream& out)
{
    for (const CCliCommand& command : commands)
        out << command.name << "\n";
}

void PrintCommandOptions(const CCliCommand& command, std::ostream& out)
{
    for (const std::string& option : CommandOptions(command))
        out << option << "\n";
}
