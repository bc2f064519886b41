// The write command on several ports at once and as a production line.
#include "app/cli/FleetCommand.h"

#include "app/cli/CliSupport.h"
#include "app/cli/ConsoleTransferView.h"
#include "app/cli/FleetConsole.h"
#include "app/cli/InputWait.h"
#include "app/cli/Interrupt.h"
#include "app/cli/LabelInput.h"
#include "app/cli/TransferSupport.h"
#include "app/cli/WireTrace.h"

#include "core/ConfigStore.h"
#include "job/PendingLine.h"
#include "job/ProductionRun.h"
#include "job/TransferLog.h"
#include "link/MicLink.h"
#include "link/PortLock.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <istream>
#include <memory>
#include <mutex>
#include <ostream>

namespace {

constexpr int kExitInterrupted = 130;

std::atomic<CProductionRun*> g_runner{nullptr};

// First Ctrl+C: stop after the transfers in progress. Second: at once,
// leaving the lines of the microphones in progress in the log and no port
// locked.
extern "C" void OnFleetInterrupt(int)
{
    CProductionRun* const runner = g_runner.load();
    if (!runner)
        return;
    if (runner->StopRequested()) {
        WritePendingLinesNow();
        RemovePortLocksNow();
        std::_Exit(kExitInterrupted);
    }
    runner->RequestStop();
}

// Routes Ctrl+C to the runner while it exists.
class CFleetInterruptScope
{
public:
    explicit CFleetInterruptScope(CProductionRun& runner)
    {
        g_runner = &runner;
        m_previous = std::signal(SIGINT, OnFleetInterrupt);
    }
    ~CFleetInterruptScope()
    {
        std::signal(SIGINT, m_previous == SIG_ERR ? SIG_DFL : m_previous);
        g_runner = nullptr;
    }
    CFleetInterruptScope(const CFleetInterruptScope&) = delete;
    CFleetInterruptScope& operator=(const CFleetInterruptScope&) = delete;

private:
    void (*m_previous)(int) = SIG_DFL;
};

} // namespace

bool ParsePortList(const std::vector<std::string>& values, std::vector<CPortChoice>& ports,
                   std::string& error)
{
    std::vector<std::string> named;
    for (const std::string& value : values)
        if (!SplitPortList(value, named, error))
            return false;
    // One name per cable, on the console, in the log and in the backups.
    return ChoosePorts(named, ports, error);
}

bool IsFleetWrite(bool continuous, const std::vector<std::string>& ports)
{
    return ports.size() > 1 || continuous;
}

namespace {

// With --repeat: before each microphone after the first, the question
// whether the next is connected; with --ask-label the label's question
// stands in for it, before the first as well.
bool NextMicrophone(CCliContext& context, CLabelSource* labels, const std::string& port, int number,
                    std::string& label)
{
    const auto stopped = [&context] { return context.stop->load(); };
    if (labels && labels->Active())
        return labels->Next(port, label, stopped);
    if (number == 1)
        return true;
    context.err << "Connect the next microphone and press Enter, or type q to stop: " << std::flush;
    std::string answer;
    return AwaitInput(context.in, stopped) && std::getline(context.in, answer) &&
           (answer.empty() || (answer[0] != 'q' && answer[0] != 'Q'));
}

// Keeps the links' wire traces alive while the run uses them (--trace
// with --repeat: one port).
struct CTraces
{
    std::mutex mutex;
    std::vector<std::unique_ptr<CConsoleTransferView>> views;
    std::vector<std::unique_ptr<CWireTrace>> traces;
};

} // namespace

int RunFleetWrite(CCliContext& context, const CTransferCommand& command,
                  const std::vector<std::string>& ports, const CJobSettings& settings,
                  const CFleetSetup& setup)
{
    CConfigStore::Image image{};
    std::copy(context.store.WorkingImage(), context.store.WorkingImage() + image.size(),
              image.begin());
    const FleetMode mode = command.repeat       ? FleetMode::kRepeated
                           : command.continuous ? FleetMode::kContinuous
                                                : FleetMode::kOnce;
    CTraces traces;
    // The run, once it exists: a question of a port gives way to its stop.
    std::atomic<CProductionRun*> running{nullptr};
    std::vector<CProductionPort> fleet;
    for (const std::string& port : ports) {
        CProductionPort entry;
        entry.name = port;
        entry.makeLink = [&context, &setup, &traces, &command, port] {
            std::unique_ptr<CMicLink> link =
                setup.makeLink ? setup.makeLink(port) : MakeLink(context, port);
            if (command.trace) {
                const std::lock_guard<std::mutex> lock(traces.mutex);
                traces.views.push_back(std::make_unique<CConsoleTransferView>(
                    context.texts, context.out, context.err, Progress::None, false));
                traces.traces.push_back(std::make_unique<CWireTrace>(
                    *link, *traces.views.back(), command.json ? context.err : context.out));
                link->SetWireObserver(traces.traces.back().get());
            }
            return link;
        };
        if (setup.pause)
            entry.pause = [&setup, port](uint32_t ms) { setup.pause(port, ms); };
        CLabelSource* const labels = setup.labels;
        if (mode == FleetMode::kRepeated)
            entry.next = [&context, labels, port](int number, std::string& label) {
                return NextMicrophone(context, labels, port, number, label);
            };
        else if (labels && labels->Active())
            entry.label = [labels, &running, port](std::string& label) {
                return labels->Next(port, label, [&running] {
                    const CProductionRun* run = running.load();
                    return run && run->StopRequested();
                });
            };
        fleet.push_back(std::move(entry));
    }
    CProductionSettings production;
    production.job = settings;
    production.job.log = nullptr;
    production.logPath = settings.log ? settings.log->Path() : std::string();
    production.mode = mode;
    production.count = command.count;
    production.check = setup.check;
    if (setup.labels && setup.labels->Active())
        production.labels = &setup.labels->Book();
    CProductionRun run(image, std::move(fleet), production, context.clock);
    running = &run;

    const CFleetConsole::Progress progress = setup.quiet  ? CFleetConsole::Progress::kNone
                                             : setup.live ? CFleetConsole::Progress::kLive
                                                          : CFleetConsole::Progress::kLines;
    CFleetConsole console(ports, context.texts, context.out, context.err, progress);
    if (command.json)
        console.SetJson(command.name);
    if (mode == FleetMode::kContinuous) {
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
    LogFileState log = LogFileState::kNew;
    bool ran = false;
    if (mode == FleetMode::kRepeated) {
        // One microphone after another keeps one port's Ctrl+C: the transfer
        // stops at its next step, and its handler says so.
        console.SetStopNotice({});
        run.StopWith(context.stop);
        const ::CInterruptScope interrupts(*context.stop);
        if (setup.started)
            setup.started(run);
        ran = run.Run(console, log);
    } else {
        const CFleetInterruptScope interrupt(run);
        if (setup.started)
            setup.started(run);
        ran = run.Run(console, log);
    }
    if (!ran) {
        context.err << (log == LogFileState::kNotALog
                            ? production.logPath + " is no log of " + kCliName
                            : "cannot write the log " + production.logPath)
                    << "\n";
        return CliExit::kFailure;
    }
    console.PrintSummary(run.Totals(), run.Summary(), run.GetVerdict() == Verdict::kOk);
    return static_cast<int>(run.GetVerdict());
}
