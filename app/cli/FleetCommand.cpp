// The write command on several ports at once and as a production line.
#include "app/cli/FleetCommand.h"

#include "app/cli/CliSupport.h"
#include "app/cli/FleetConsole.h"

#include "core/ConfigStore.h"
#include "link/FleetRunner.h"
#include "link/MicLink.h"
#include "link/Transfer.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ostream>

namespace {

constexpr int kExitInterrupted = 130;
constexpr const char* kLanguage = "English";

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

// The progress window of one port's transfer: only the block count matters.
class CBlockView : public ITransferView
{
public:
    explicit CBlockView(const BlockReport& block) : m_block(block) {}
    void SetCaption(const std::string&) override {}
    void SetCounterText(const std::string&) override {}
    void SetBarRange(int maximum) override { m_total = maximum; }
    void SetBarPosition(int position) override
    {
        if (m_block && position > 0)
            m_block(position, m_total);
    }
    MessageOwner Owner() override { return nullptr; }

private:
    const BlockReport& m_block;
    int m_total = 0;
};

// Keeps the text of the last error box; every other box is answered OK.
class CErrorKeeper : public IMessagePresenter
{
public:
    int Present(MessageOwner, const std::string& text, const std::string&, unsigned style) override
    {
        if ((style & MessageStyle::kIconMask) == MessageStyle::kIconStop)
            lastError = text;
        return MessageAnswer::kOk;
    }
    std::string lastError;
};

// One microphone written as the progress window writes it, with its own
// catalogue, store and boxes on the port's thread.
CMicOutcome WriteMicrophone(const CConfigStore::Image& image, CMicLink& link,
                            const BlockReport& block)
{
    CTextCatalog texts;
    if (!texts.SelectLanguage(kLanguage))
        return {false, "failed", "the text catalogue cannot be loaded"};
    CConfigStore store(&texts);
    std::copy(image.begin(), image.end(), store.WorkingImage());
    store.ImageToTransfer();
    store.ImageToSaved();
    CErrorKeeper keeper;
    CMessageBoxes boxes(texts, &keeper);
    CBlockView view(block);
    CTransfer transfer(link, store, texts, boxes, view);
    if (transfer.Run(TransferMode::Write))
        return {true, "written", ""};
    return {false, "failed", keeper.lastError};
}

} // namespace

bool ParsePortList(const CCliArgs& args, std::vector<std::string>& ports, std::string& error)
{
    ports.clear();
    for (const auto& [name, value] : args.options) {
        if (name != "--port")
            continue;
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = value.find(',', start);
            const std::string port =
                value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (port.empty()) {
                error = "--port names an empty port";
                return false;
            }
            if (std::find(ports.begin(), ports.end(), port) != ports.end()) {
                error = "--port names " + port + " twice";
                return false;
            }
            ports.push_back(port);
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
    return true;
}

bool IsFleetWrite(const CCliArgs& args, const std::vector<std::string>& ports)
{
    return ports.size() > 1 || args.Has("--continuous");
}

int RunFleetWrite(CCliContext& context, const CCliArgs& args, const std::vector<std::string>& ports,
                  const CFleetSetup& setup)
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
    const MicJob job = [image](CMicLink& link, const CJobProgress& progress) {
        return WriteMicrophone(image, link, progress.block);
    };

    const CFleetConsole::Progress progress = setup.quiet  ? CFleetConsole::Progress::kNone
                                             : setup.live ? CFleetConsole::Progress::kLive
                                                          : CFleetConsole::Progress::kLines;
    CFleetConsole console(ports, context.texts, context.out, context.err, progress);
    CFleetRunner runner(std::move(fleet), job, console);
    if (continuous)
        context.err << "Programming on " << ports.size() << (ports.size() == 1 ? " port" : " ports")
                    << " as microphones are connected; Ctrl+C ends.\n"
                    << std::flush;
    {
        const CInterruptScope interrupt(runner);
        if (setup.started)
            setup.started(runner);
        runner.Run(continuous);
    }
    console.PrintSummary(runner.Totals(), "written");
    return runner.AllSucceeded(continuous) ? CliExit::kOk : CliExit::kFailure;
}
