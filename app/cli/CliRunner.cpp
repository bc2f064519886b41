// The command-line tool: finds the command, parses its words, wires the
// libraries together and runs it.
#include "app/Version.h"
#include "app/cli/CliSupport.h"
#include "app/cli/ConsolePresenter.h"
#include "app/cli/PortCommands.h"

#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <istream>
#include <ostream>

namespace {

std::vector<CCliCommand> AllCommands()
{
    std::vector<CCliCommand> commands = FileCommands();
    for (CCliCommand& command : PortCommands())
        commands.push_back(std::move(command));
    for (CCliCommand& command : TransferCommands())
        commands.push_back(std::move(command));
    return commands;
}

void PrintToolUsage(const std::vector<CCliCommand>& commands, std::ostream& out)
{
    out << "usage: qzm530rx-cli COMMAND [ARGUMENTS] [OPTIONS]\n\n"
           "Reads, writes and edits VHM-81/VHM-82 microphone configurations.\n\n"
           "Commands:\n";
    for (const CCliCommand& command : commands) {
        std::string synopsis = command.synopsis;
        if (synopsis.size() < 30)
            synopsis.resize(30, ' ');
        out << "  " << synopsis << " " << command.summary << "\n";
    }
    out << "\n'qzm530rx-cli COMMAND --help' describes one command.\n";
}

} // namespace

int RunCli(const std::vector<std::string>& argv, std::istream& in, std::ostream& out,
           std::ostream& err, bool interactive, const ILocalClock& clock, bool errIsTerminal)
{
    const std::vector<CCliCommand> commands = AllCommands();
    if (argv.size() < 2) {
        PrintToolUsage(commands, err);
        return CliExit::kUsage;
    }
    const std::string& name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintToolUsage(commands, out);
        return CliExit::kOk;
    }
    if (name == "--version") {
        out << "qzm530rx-cli (" << kProductName << ") " << kQzmVersion << "\n";
        return CliExit::kOk;
    }
    const CCliCommand* command = nullptr;
    for (const CCliCommand& candidate : commands) {
        if (name == candidate.name)
            command = &candidate;
    }
    if (!command) {
        err << "qzm530rx-cli: unknown command '" << name << "'\n\n";
        PrintToolUsage(commands, err);
        return CliExit::kUsage;
    }

    CCliArgs args;
    std::string error;
    const std::vector<std::string> words(argv.begin() + 2, argv.end());
    if (!ParseCliArgs(*command, words, args, error)) {
        err << "qzm530rx-cli " << command->name << ": " << error << "\n\n";
        PrintCommandUsage(*command, err);
        return CliExit::kUsage;
    }
    if (args.Has("--help")) {
        PrintCommandUsage(*command, out);
        return CliExit::kOk;
    }
    const int count = static_cast<int>(args.positional.size());
    if (count < command->minArgs || (command->maxArgs >= 0 && count > command->maxArgs)) {
        PrintCommandUsage(*command, err);
        return CliExit::kUsage;
    }

    CTextCatalog texts;
    CConsolePresenter presenter(in, out, err);
    texts.SetFailurePresenter(&presenter);
    if (!texts.SelectLanguage("English"))
        return CliExit::kFailure;
    CConfigStore store(&texts);
    store.Reset();
    CMessageBoxes boxes(texts, &presenter);
    CCliContext context{store, texts, boxes, clock, in, out, err, interactive, errIsTerminal};
    return command->run(context, args);
}
