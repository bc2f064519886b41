// The write command on several ports at once and as a production line.
#include "app/cli/FleetCommand.h"

#include "app/cli/CliSupport.h"
#include "app/cli/FleetConsole.h"

#include "core/ConfigStore.h"
#include "core/UserText.h"
#include "link/FleetRunner.h"
#include "link/MicLink.h"
#include "link/SerialPort.h"
#include "link/Transfer.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <ostream>

namespace {

constexpr int kExitInterrupted = 130;
constexpr long kFirstPortNumber = 1;
constexpr long kLastPortNumber = 255;
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

// Answers every box with OK and shows none: the job keeps the text of an
// error box for its message, and the port's result line shows that.
class CUnseenBoxes : public IMessagePresenter
{
public:
    int Present(MessageOwner, const std::string&, const std::string&, unsigned) override
    {
        return MessageAnswer::kOk;
    }
};

// What a port needs to write one microphone after another as the progress
// window writes: its own catalogue, store, boxes, transfer and job, made
// once on the port's thread. Each microphone is read back and logged as
// the settings say.
class CPortWriter
{
public:
    CPortWriter(const CConfigStore::Image& image, CJobSettings settings, const ILocalClock& clock,
                CMicLink& link, bool check)
        : m_check(check), m_loaded(m_texts.SelectLanguage(kLanguage)), m_store(&m_texts),
          m_boxes(m_texts, &m_unseen), m_view(m_block),
          m_transfer(link, m_store, m_texts, m_boxes, m_view),
          m_job(link, m_transfer, m_store, clock, std::move(settings))
    {
        std::copy(image.begin(), image.end(), m_store.WorkingImage());
        m_store.ImageToTransfer();
        m_store.ImageToSaved();
    }

    CMicOutcome Write(const CJobContext& progress)
    {
        if (!m_loaded)
            return {JobResult::kFailed, "the text catalogue cannot be loaded"};
        m_block = progress.block;
        m_job.SetPhaseObserver(progress.phase);
        const CJobOutcome outcome = m_check ? m_job.Verify() : m_job.Write();
        CMicOutcome result{outcome.result, IsSuccess(outcome.result) ? "" : outcome.message};
        if (outcome.result == JobResult::kUnchanged)
            result.message = "already holds the configuration";
        if (!m_job.LogWritten()) {
            result.logged = false;
            result.message += (result.message.empty() ? "" : " ") + std::string("Not logged: ") +
                              m_job.LogError() + ".";
        }
        return result;
    }

private:
    const bool m_check;
    CTextCatalog m_texts;
    const bool m_loaded;
    CConfigStore m_store;
    CUnseenBoxes m_unseen;
    CMessageBoxes m_boxes;
    BlockReport m_block;
    CBlockView m_view;
    CTransfer m_transfer;
    CProgrammingJob m_job;
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

int PortNumberOf(const std::string& port)
{
    std::string_view digits = port;
    const std::string_view namespacePrefix = "\\\\.\\";
    const std::string_view comPrefix = "COM";
    if (digits.substr(0, namespacePrefix.size()) == namespacePrefix)
        digits.remove_prefix(namespacePrefix.size());
    if (EqualsIgnoringCase(digits.substr(0, comPrefix.size()), comPrefix))
        digits.remove_prefix(comPrefix.size());
    long number = 0;
    return ParseNumber(digits, kFirstPortNumber, kLastPortNumber, number) ? static_cast<int>(number)
                                                                          : -1;
}

std::string PortIdentity(const std::string& port)
{
    const int number = PortNumberOf(port);
    std::string device = port;
    if (number > 0) {
        device = CSerialPort::PortDeviceName(number);
        if (device.empty())
            return "COM" + std::to_string(number);
    }
    const QString path = QString::fromStdString(device);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return (canonical.isEmpty() ? QDir::cleanPath(path) : canonical).toStdString();
}

bool ParsePortList(const CCliArgs& args, std::vector<std::string>& ports, std::string& error)
{
    ports.clear();
    std::vector<std::string> reached;
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
            const std::string identity = PortIdentity(port);
            if (std::find(reached.begin(), reached.end(), identity) != reached.end()) {
                error = "--port names " + port + " twice";
                return false;
            }
            reached.push_back(identity);
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
    const ILocalClock& clock = context.clock;
    const MicJobFactory makeJob = [&, image](CMicLink& link, const std::string& port) -> MicJob {
        CJobSettings own = settings;
        own.port = port;
        auto writer =
            std::make_shared<CPortWriter>(image, std::move(own), clock, link, setup.check);
        return [writer](CMicLink&, const CJobContext& progress) { return writer->Write(progress); };
    };

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
