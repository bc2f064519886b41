// The write command on several ports at once and as a production line.
#include "app/cli/FleetCommand.h"

#include "app/cli/CliSupport.h"
#include "app/cli/FleetConsole.h"

#include "core/ConfigStore.h"
#include "link/FleetRunner.h"
#include "link/MicLink.h"
#include "link/PortWriter.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <ostream>

namespace {

constexpr int kExitInterrupted = 130;

std::atomic<CFleetRunner*> g_runner{nullptr};

// First Ctrl+C: stop after the transfers in progress. Second: at once.
extern "C" void OnInterrupt(int)
{
    CFleetRunner* const runner = g_runner.load();
    if (!runner)
        return;
    if (runner->StopRequested())
        std::_Exit(kExitInterrupted);
    runner->RequestStop();
}

// Routes Ctrl+C to the runner while it exists.
class CInterruptScope
{
public:
    explicit CInterruptScope(CFleetRunner& runner)
    {
        g_runner = &runner;
        m_previous = std::signal(SIGINT, OnInterrupt);
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

// The exit code of the whole run: the worst outcome of any microphone,
// then whether every port did its part.
int FleetExitCode(const CFleetRunner& runner, bool continuous)
{
    bool notVerified = false;
    bool holdsOther = false;
    for (const CPortTotals& totals : runner.Totals()) {
        if (static_cast<int>(totals.failed.size()) > totals.notVerified + totals.holdsOther)
            return CliExit::kFailure;
        notVerified = notVerified || totals.notVerified > 0;
        holdsOther = holdsOther || totals.holdsOther > 0;
    }
    if (holdsOther)
        return CliExit::kHoldsOther;
    if (notVerified)
        return CliExit::kNotVerified;
    return runner.AllSucceeded(continuous) ? CliExit::kOk : CliExit::kFailure;
}

} // namespace

bool ParsePortList(const CCliArgs& args, std::vector<std::string>& ports, std::string& error)
{
    ports.clear();
    for (const auto& [name, value] : args.options)
        if (name == "--port" && !AddPortList(value, ports, error))
            return false;
    return true;
}

bool IsFleetWrite(const CCliArgs& args, const std::vector<std::string>& ports)
{
    return ports.size() > 1 || args.Has("--continuous");
}

int RunFleetWrite(CCliContext& context, const CCliArgs& args, const std::vector<std::string>& ports,
                  const CJobSettings& settings, const CFleetSetup& setup)
{
    const bool continuous = args.Has("--continuous");
    CConfigStore::Image image{};
    std::copy(context.store.WorkingImage(), context.store.WorkingImage() + image.size(),
              image.begin());

    std::vector<CFleetPort> fleet;
    for (const std::string& port : ports) {
        CFleetPort entry;
        entry.name = port;
        entry.makeLink = [&setup, port] { return setup.makeLink(port); };
        if (setup.pause)
            entry.pause = [&setup, port](uint32_t ms) { setup.pause(port, ms); };
        fleet.push_back(std::move(entry));
    }
    const MicJobFactory makeJob = MakePortWriters(image, settings, context.clock, setup.check);

    const CFleetConsole::Progress progress = setup.quiet  ? CFleetConsole::Progress::kNone
                                             : setup.live ? CFleetConsole::Progress::kLive
                                                          : CFleetConsole::Progress::kLines;
    CFleetConsole console(ports, context.texts, context.out, context.err, progress);
    CFleetRunner runner(std::move(fleet), makeJob, console);
    if (continuous)
        context.err << (setup.check ? "Checking on " : "Programming on ") << ports.size()
                    << (ports.size() == 1 ? " port" : " ports")
                    << " as microphones are connected; Ctrl+C ends.\n"
                    << std::flush;
    {
        const CInterruptScope interrupt(runner);
        if (setup.started)
            setup.started(runner);
        runner.Run(continuous);
    }
    console.PrintSummary(runner.Totals(), setup.check       ? "hold the configuration"
                                          : settings.verify ? "written and verified"
                                                            : "written");
    return FleetExitCode(runner, continuous);
}
