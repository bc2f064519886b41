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

std::vector<CCliCommand> AllCommands()
{
    std::vector<CCliCommand> commands;
    for (auto* const set :
         {FileCommands, PortCommands, ReadCommands, WriteCommands, VerifyCommands, ReportCommands})
        for (CCliCommand& command : set())
            commands.push_back(std::move(command));
    return commands;
}

namespace {

void PrintToolUsage(const std::vector<CCliCommand>& commands, std::ostream& out)
{
    out << "Usage: qzm530rx-cli COMMAND [ARGUMENTS] [OPTIONS]\n\n"
           "Reads, writes and edits VHM-81/VHM-82 microphone configurations.\n\n"
           "Commands:\n";
    constexpr std::size_t kSynopsisWidth = 30;
    for (const CCliCommand& command : commands) {
        std::string synopsis = command.synopsis;
        // A long synopsis has its summary on the next line, in the column.
        if (synopsis.size() > kSynopsisWidth)
            synopsis += "\n  " + std::string(kSynopsisWidth, ' ');
        else
            synopsis.resize(kSynopsisWidth, ' ');
        out << "  " << synopsis << " " << command.summary << "\n";
    }
    out << "\n'qzm530rx-cli COMMAND --help' describes one command.\n";
}

} // namespace

int RunCli(const std::vector<std::string>& argv, std::istream& in, std::ostream& out,
           std::ostream& err, bool interactive, const ILocalClock& clock, bool errIsTerminal,
           const CliLinkMaker& makeLink, std::atomic<bool>* stop)
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
    if (name == kListCommandsOption && argv.size() == 2) {
        PrintCommandNames(commands, out);
        return CliExit::kOk;
    }
    if (name == kListPortsOption && argv.size() == 2) {
        PrintPresentPorts(out);
        return CliExit::kOk;
    }
    if (name == kListSettingsOption && argv.size() == 2)
        return PrintSettingWords(out);
    if (name == "--version") {
        out << "qzm530rx-cli (" << kProductName << ") " << kQzmVersion << "\n";
        return CliExit::kOk;
    }
    const CCliCommand* command = nullptr;
    for (const CCliCommand& candidate : commands)
        if (name == candidate.name)
            command = &candidate;
    if (!command) {
        err << "qzm530rx-cli: unknown command '" << name << "'\n"
            << "Try 'qzm530rx-cli --help'.\n";
        return CliExit::kUsage;
    }

    if (argv.size() == 3 && argv[2] == kListOptionsOption) {
        PrintCommandOptions(*command, out);
        return CliExit::kOk;
    }

    // A word that is not understood is named, with where the help is.
    const auto refuse = [&](const std::string& problem, bool withSynopsis) {
        err << "qzm530rx-cli " << command->name << ": " << problem << "\n";
        if (withSynopsis)
            err << "Usage: qzm530rx-cli " << command->synopsis << "\n";
        err << "Try 'qzm530rx-cli " << command->name << " --help'.\n";
        return CliExit::kUsage;
    };
    CCliArgs args;
    std::string error;
    const std::vector<std::string> words(argv.begin() + 2, argv.end());
    if (!ParseCliArgs(*command, words, args, error))
        return refuse(error, false);
    if (args.Has("--help")) {
        PrintCommandUsage(*command, out);
        return CliExit::kOk;
    }
    const int count = static_cast<int>(args.positional.size());
    if (command->maxArgs >= 0 && count > command->maxArgs)
        return refuse("unexpected argument '" + args.positional[command->maxArgs] + "'", false);
    if (count < command->minArgs)
        return refuse(command->minArgs - count == 1 ? "missing argument" : "missing arguments",
                      true);

    CTextCatalog texts;
    CConsolePresenter presenter(in, out, err);
    texts.SetFailurePresenter(&presenter);
    if (!texts.SelectLanguage("English"))
        return CliExit::kFailure;
    CConfigStore store(&texts);
    store.Reset();
    CMessageBoxes boxes(texts, &presenter);
    std::atomic<bool> ownStop{false};
    CCliContext context{store,
                        texts,
                        boxes,
                        clock,
                        in,
                        out,
                        err,
                        interactive,
                        errIsTerminal,
                        makeLink,
                        stop ? stop : &ownStop};
    return command->run(context, args);
}
