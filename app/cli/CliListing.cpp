// What the tool says about its own commands and options: the option line of
// each command's --help, and the hidden listings that the manual page and
// the shell completion read, so that both follow the command table.
#include "app/cli/CliSupport.h"

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
    {"--port", "PORT"},
    {"--log", "FILE.csv"},
    {"--backup", "DIR"},
    {"--verify-wait", "S"},
};
constexpr const char* kDefaultPlaceholder = "VALUE";
constexpr const char* kHelpOption = "--help";
constexpr std::size_t kLineWidth = 78;

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

void PrintOptionLine(const CCliCommand& command, std::ostream& out)
{
    std::string line = "Options:";
    const std::vector<std::string> options = CommandOptions(command);
    for (std::size_t i = 0; i < options.size(); ++i) {
        const std::string word = options[i] + (i + 1 < options.size() ? "," : "");
        if (line.size() + 1 + word.size() > kLineWidth) {
            out << line << "\n";
            line = word;
        } else {
            line += " " + word;
        }
    }
    out << line << "\n";
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
