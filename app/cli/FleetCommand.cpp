// The write command on several ports at once and as a production line.
#include "app/cli/FleetCommand.h"

#include "app/cli/CliSupport.h"
#include "app/cli/FleetConsole.h"
#include "app/cli/TransferSupport.h"

#include "core/ConfigStore.h"
#include "link/MicLink.h"
#include "link/PortLock.h"
#include "link/ProductionRun.h"
#include "link/TransferLog.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <ostream>

namespace {

constexpr int kExitInterrupted = 130;

std::atomic<CProductionRun*> g_runner{nullptr};

// First Ctrl+C: stop after the transfers in progress. Second: at once.
extern "C" void OnFleetInterrupt(int)
{
    CProductionRun* const runner = g_runner.load();
    if (!runner)
        return;
    if (runner->StopRequested()) {
        RemovePortLocksNow();
        std::_Exit(kExitInterrupted);
    }
    runner->RequestStop();
}

// Routes Ctrl+C to the runner while it exists.
class CInterruptScope
{
public:
    explicit CInterruptScope(CProductionRun& runner)
    {
        g_runner = &runner;
        m_previous = std::signal(SIGINT, OnFleetInterrupt);
    }
    ~CInterruptScope()
    {
        std::signal(SIGINT, m_previous == SIG_ERR ? SIG_DFL : m_previous);
        g_runner = nullptr;
    }
    CInterruptScope(const CInterruptScope&) = delete;
    CInterruptScope& operator=(const CInterruptScope&) = delete;

private:
    void (*m_previous)(int) = SIG_DFL;
};

} // namespace

bool ParsePortList(const std::vector<std::string>& values, std::vector<std::string>& ports,
                   std::string& error)
{
    ports.clear();
    for (const std::string& value : values)
        if (!AddPortList(value, ports, error))
            return false;
    // One name per cable, on the console, in the log and in the backups.
    for (std::string& port : ports)
        port = CanonicalPortName(port);
    return true;
}

bool IsFleetWrite(bool continuous, const std::vector<std::string>& ports)
{
    return ports.size() > 1 || continuous;
}

int RunFleetWrite(CCliContext& context, const CTransferCommand& command,
                  const std::vector<std::string>& ports, const CJobSettings& settings,
                  const CFleetSetup& setup)
{
    CConfigStore::Image image{};
    std::copy(context.store.WorkingImage(), context.store.WorkingImage() + image.size(),
              image.begin());
    std::vector<CProductionPort> fleet;
    for (const std::string& port : ports) {
        CProductionPort entry;
        entry.name = port;
        if (setup.makeLink)
            entry.makeLink = [&setup, port] { return setup.makeLink(port); };
        if (setup.pause)
            entry.pause = [&setup, port](uint32_t ms) { setup.pause(port, ms); };
        if (command.askLabel)
            entry.label = [&context](std::string& label) { return AskLabel(context, label); };
        fleet.push_back(std::move(entry));
    }
    CProductionSettings production;
    production.job = settings;
    production.job.log = nullptr;
    production.logPath = settings.log ? settings.log->Path() : std::string();
    production.continuous = command.continuous;
    production.count = command.count;
    production.check = setup.check;
    CProductionRun run(image, std::move(fleet), production, context.clock);

    const CFleetConsole::Progress progress = setup.quiet  ? CFleetConsole::Progress::kNone
                                             : setup.live ? CFleetConsole::Progress::kLive
                                                          : CFleetConsole::Progress::kLines;
    CFleetConsole console(ports, context.texts, context.out, context.err, progress);
    if (command.json)
        console.SetJson(command.name);
    if (production.continuous) {
        console.SetPutAside(context.progressOnTerminal);
        context.err << (setup.check ? "Checking" : "Programming");
        if (production.count > 0)
            context.err << " " << production.count
                        << (production.count == 1 ? " microphone" : " microphones");
        context.err << " on " << ports.size() << (ports.size() == 1 ? " port" : " ports")
                    << " as microphones are connected; "
                    << (production.count > 0 ? "the run ends once they are done, or with Ctrl+C.\n"
                                             : "Ctrl+C ends.\n")
                    << std::flush;
    }
    {
        const CInterruptScope interrupt(run);
        if (setup.started)
            setup.started(run);
        std::string error;
        if (!run.Run(console, error)) {
            context.err << error << "\n";
            return CliExit::kFailure;
        }
    }
    console.PrintSummary(run.Totals(), run.Summary(), run.GetVerdict() == Verdict::kOk);
    return static_cast<int>(run.GetVerdict());
}
