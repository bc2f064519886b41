// The transfer commands: read, write.
#include "app/cli/CliSupport.h"
#include "app/cli/ConsolePresenter.h"
#include "app/cli/FleetCommand.h"
#include "app/cli/JsonOutput.h"

#include "core/ConfigStore.h"
#include "core/FileIo.h"
#include "core/UserText.h"
#include "link/MicLink.h"
#include "link/ProgrammingJob.h"
#include "link/TickClock.h"
#include "link/Transfer.h"
#include "link/TransferLog.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <QCoreApplication>

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <istream>
#include <ostream>
#include <string>

namespace {

constexpr uint32_t kMsPerSecond = 1000;
constexpr long kMaxVerifyWaitSeconds = 3600;

// How the progress of a transfer shows on stderr.
enum class Progress
{
    Rewritten, // a terminal: the counter is one line rewritten in place
    Lines,     // a pipe or a file: a line for each new counter text
    None,      // --quiet
};

// The progress window on stderr.
class CConsoleTransferView : public ITransferView
{
public:
    CConsoleTransferView(std::ostream& out, Progress progress) : m_out(out), m_progress(progress) {}
    ~CConsoleTransferView() override { EndLine(); }

    void SetCaption(const std::string& caption) override
    {
        if (m_progress != Progress::None)
            m_out << caption << "\n" << std::flush;
    }
    void SetCounterText(const std::string& text) override
    {
        if (m_progress == Progress::Rewritten) {
            m_out << "\r" << text << std::flush;
            m_open = true;
        } else if (m_progress == Progress::Lines && text != m_lastCounter) {
            m_out << text << "\n" << std::flush;
        }
        m_lastCounter = text;
    }
    void SetBarRange(int) override {}
    void SetBarPosition(int) override {}
    MessageOwner Owner() override { return nullptr; }
    void EndLine()
    {
        if (m_open)
            m_out << "\n" << std::flush;
        m_open = false;
    }
    // A trace line goes on a line of its own.
    bool BreakLine()
    {
        const bool was = m_open;
        EndLine();
        return was;
    }

private:
    std::ostream& m_out;
    const Progress m_progress;
    bool m_open = false;
    std::string m_lastCounter;
};

// Ends the progress line before a message box is shown, and keeps the text
// of the last one: the transfer's outcome.
class CLinePresenter : public IMessagePresenter
{
public:
    CLinePresenter(IMessagePresenter* inner, CConsoleTransferView& view)
        : m_inner(inner), m_view(view)
    {
    }
    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override
    {
        m_view.EndLine();
        m_lastMessage = text;
        return m_inner ? m_inner->Present(owner, text, title, style) : MessageAnswer::kOk;
    }
    const std::string& LastMessage() const { return m_lastMessage; }

private:
    IMessagePresenter* m_inner;
    std::string m_lastMessage;
    CConsoleTransferView& m_view;
};

// Every byte on the wire as it travels and without its mask.
class CWireTrace : public IWireObserver
{
public:
    CWireTrace(const CMicLink& link, CConsoleTransferView& view, std::ostream& out)
        : m_link(link), m_view(view), m_out(out)
    {
    }

    void OnWire(bool toDevice, const uint8_t* bytes, std::size_t count, uint32_t tickMs,
                uint32_t rate) override
    {
        if (!m_started) {
            m_startMs = tickMs;
            m_started = true;
        }
        m_view.BreakLine();
        const uint32_t elapsed = tickMs - m_startMs;
        const uint8_t mask = m_link.GetMask();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%5u.%03u", elapsed / kMsPerSecond,
                      elapsed % kMsPerSecond);
        m_out << stamp << (toDevice ? " P>M " : " M>P ") << std::setw(5) << rate << " mask "
              << Hex(mask) << "  wire:";
        for (std::size_t i = 0; i < count; ++i)
            m_out << " " << Hex(bytes[i]);
        m_out << "\n" << std::string(28, ' ') << "plain:";
        for (std::size_t i = 0; i < count; ++i)
            m_out << " " << Hex(static_cast<uint8_t>(bytes[i] ^ mask));
        m_out << "\n" << std::flush;
    }

    void OnOpened(const std::string& name, LowLatency lowLatency) override
    {
        m_view.BreakLine();
        m_out << "opened " << name << ", low latency " << LowLatencyText(lowLatency) << "\n"
              << std::flush;
    }

private:
    static std::string Hex(uint8_t byte)
    {
        char text[4];
        std::snprintf(text, sizeof text, "%02X", byte);
        return text;
    }

    const CMicLink& m_link;
    CConsoleTransferView& m_view;
    std::ostream& m_out;
    bool m_started = false;
    uint32_t m_startMs = 0;
};

// Points the link at the port the user named; false when the name is empty.
bool SelectPort(CMicLink& link, const std::string& port)
{
    if (port.empty())
        return false;
    const int number = PortNumberOf(port);
    if (number > 0)
        link.SetPortNumber(static_cast<uint8_t>(number));
    else
        link.SetDeviceName(port);
    return true;
}

// QSerialPort needs an event dispatcher in the thread that uses it.
QCoreApplication& EnsureApplication()
{
    static int argc = 1;
    static char name[] = "qzm530rx-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return app ? *app : *QCoreApplication::instance();
}

// How one read or write command runs, from its options and the terminal.
struct CTransferOptions
{
    bool trace = false;
    bool json = false;
    Progress progress = Progress::Lines;
};

CTransferOptions TransferOptionsOf(const CCliContext& context, const CCliArgs& args)
{
    CTransferOptions options;
    options.trace = args.Has("--trace");
    options.json = args.Has("--json");
    if (args.Has("--quiet"))
        options.progress = Progress::None;
    else if (context.progressOnTerminal)
        options.progress = Progress::Rewritten;
    return options;
}

// The outcome of one transfer: the message the progress window would have
// shown, the job's result (the log's word for it) and sentence, why the
// port did not open when it did not, and whether its log line was written.
struct CTransferOutcome
{
    bool ok = false;
    std::string result;
    std::string message;
    std::string sentence;
    std::string openFailure;
    int exitCode = CliExit::kFailure;
    bool logged = true;
};

void AddOutcome(QJsonObject& json, const CTransferOutcome& outcome)
{
    json.insert("ok", outcome.ok);
    json.insert("message", JsonText(outcome.message));
    if (!outcome.result.empty()) {
        json.insert("result", JsonText(outcome.result));
        json.insert("outcome", JsonText(outcome.sentence));
    }
    if (!outcome.openFailure.empty())
        json.insert("openFailure", JsonText(outcome.openFailure));
}

// Opens the log for appending once before any transfer, so that a log that
// cannot be written stops the run before a microphone is touched. A log is a
// regular file: a FIFO would hold the run in its open until a reader came.
bool CheckLog(CCliContext& context, const std::string& path)
{
    std::error_code notRegular;
    if (path.empty() || ((!FileExists(path) || IsWritableFile(path, notRegular)) &&
                         std::ofstream(path, std::ios::binary | std::ios::app)))
        return true;
    context.err << "cannot write the log " << path << "\n";
    return false;
}

// The job's settings from the options: verification, its wait, the log
// (`log`, named by --log) and the backup folder. kOk when the job can
// start; else the exit code, with the reason on stderr: options that do not
// go together, a wait that is not a number of seconds, a log that cannot be
// written.
int JobSettings(CCliContext& context, const CCliArgs& args, const char* command,
                const CTransferLog& log, CJobSettings& settings)
{
    settings.port = args.Value("--port");
    settings.dataFile = args.positional[0];
    if (args.Has("--verify") && args.Has("--no-verify")) {
        context.err << command << ": --verify and --no-verify exclude each other\n";
        return CliExit::kUsage;
    }
    settings.verify =
        std::string(command) == "write" ? !args.Has("--no-verify") : args.Has("--verify");
    if (args.Has("--verify-wait")) {
        long seconds = 0;
        if (!ParseNumber(args.Value("--verify-wait"), 0, kMaxVerifyWaitSeconds, seconds)) {
            context.err << command << ": --verify-wait takes seconds from 0 to "
                        << kMaxVerifyWaitSeconds << "\n";
            return CliExit::kUsage;
        }
        settings.verifyWaitMs = static_cast<uint32_t>(seconds) * kMsPerSecond;
    }
    settings.backupDir = args.Value("--backup");
    settings.log = log.Path().empty() ? nullptr : &log;
    return CheckLog(context, log.Path()) ? CliExit::kOk : CliExit::kFailure;
}

// The user's go-ahead for a transfer: --yes, or the confirmation answered
// at the terminal. Says on stderr why not when there is none, and keeps
// that in `outcome`.
bool Confirm(CCliContext& context, TransferMode mode, const CCliArgs& args,
             CTransferOutcome& outcome)
{
    const bool assumeYes = args.Has("--yes");
    const char* const command = mode == TransferMode::Read ? "read" : "write";
    if (!assumeYes && !context.interactive) {
        outcome.message = std::string(command) +
                          ": standard input is not a terminal, so the confirmation cannot be "
                          "asked; give --yes to confirm";
        context.err << outcome.message << "\n";
        return false;
    }
    if (auto* console = dynamic_cast<CConsolePresenter*>(context.boxes.Presenter()))
        console->SetAssumeYes(assumeYes);
    if (AskTransfer(context.boxes, nullptr, mode))
        return true;
    outcome.message = "Cancelled.";
    context.err << outcome.message << "\n";
    return false;
}

// One job, its transfers as the progress window runs them: progress and
// boxes on the console, the job's notices on stderr (none with --quiet).
// The job's closing message goes to stdout, or with --json into the
// document.
template <class Action>
CTransferOutcome RunTransfer(CCliContext& context, CMicLink& link, const CTransferOptions& options,
                             const CJobSettings& settings, Action action)
{
    CConsoleTransferView view(context.err, options.progress);
    CWireTrace tracer(link, view, options.json ? context.err : context.out);
    link.SetWireObserver(options.trace ? &tracer : nullptr);
    IMessagePresenter* const console = context.boxes.Presenter();
    auto* consolePresenter = dynamic_cast<CConsolePresenter*>(console);
    if (consolePresenter)
        consolePresenter->SetShowInformation(!options.json);
    CLinePresenter presenter(console, view);
    context.boxes.SetPresenter(&presenter);
    CTransfer transfer(link, context.store, context.texts, context.boxes, view);
    CProgrammingJob job(link, transfer, context.store, context.boxes, context.clock, settings);
    if (options.progress != Progress::None) {
        job.SetNotice([&](const std::string& text) {
            view.EndLine();
            context.err << text << "\n" << std::flush;
        });
    }
    const CJobOutcome result = action(job);
    CTransferOutcome outcome;
    outcome.exitCode = ExitCodeOf(result.result);
    outcome.ok = outcome.exitCode == CliExit::kOk;
    outcome.result = JobResultName(result.result);
    outcome.logged = job.LogWritten();
    view.EndLine();
    context.boxes.SetPresenter(console);
    if (consolePresenter)
        consolePresenter->SetShowInformation(true);
    link.SetWireObserver(nullptr);
    outcome.message = presenter.LastMessage();
    outcome.sentence = result.message;
    // A plain read has said all with "Reading completed.".
    if (!options.json && result.result != JobResult::kRead)
        context.out << outcome.sentence << "\n" << std::flush;
    if (!outcome.logged) {
        context.err << "cannot write the log " << job.LogError() << "\n";
        if (outcome.exitCode == CliExit::kOk)
            outcome.exitCode = CliExit::kFailure;
    }
    if (!outcome.ok && link.LastOpenFailure().kind != COpenFailure::Kind::None) {
        outcome.openFailure = OpenFailureText(link.LastOpenFailure(), link.OpenName());
        context.err << outcome.openFailure << "\n";
    }
    return outcome;
}

QJsonObject TransferJson(const char* command, const CCliArgs& args, const CMicLink& link)
{
    return QJsonObject{{"command", command},
                       {"file", JsonText(args.positional[0])},
                       {"port", JsonText(args.Value("--port"))},
                       {"device", JsonText(link.OpenName())}};
}

int RunRead(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    CMicLink link;
    if (!SelectPort(link, args.Value("--port"))) {
        context.err << "read: --port is required\n";
        return CliExit::kUsage;
    }
    const CTransferOptions options = TransferOptionsOf(context, args);
    const CTransferLog log(args.Value("--log"));
    CJobSettings settings;
    if (const int refused = JobSettings(context, args, "read", log, settings))
        return refused;
    CTransferOutcome outcome;
    bool saved = false;
    if (Confirm(context, TransferMode::Read, args, outcome)) {
        outcome = RunTransfer(context, link, options, settings, [&](CProgrammingJob& job) {
            CJobOutcome result = job.Read();
            saved =
                result.result != JobResult::kFailed && SaveFromStore(context, args.positional[0]);
            if (result.result != JobResult::kFailed && !saved) {
                result.result = JobResult::kFailed;
                result.message = "Read, but " + args.positional[0] + " could not be saved.";
            }
            job.LogRead(result);
            return result;
        });
    }
    if (options.json) {
        QJsonObject json = TransferJson("read", args, link);
        AddOutcome(json, outcome);
        json.insert("saved", saved);
        json.insert("ok", saved);
        PrintJson(context.out, json);
    }
    return saved ? outcome.exitCode : CliExit::kFailure;
}

// Writes to one microphone after another until the user stops.
int RunRepeatedWrite(CCliContext& context, CMicLink& link, const CCliArgs& args,
                     const CTransferOptions& options, const CJobSettings& settings)
{
    std::ostream& results = options.json ? context.err : context.out;
    QJsonArray microphones;
    int written = 0;
    int exitCode = CliExit::kOk;
    std::vector<int> failed;
    for (int microphone = 1;; ++microphone) {
        const CTransferOutcome outcome = RunTransfer(
            context, link, options, settings, [](CProgrammingJob& job) { return job.Write(); });
        if (outcome.exitCode == CliExit::kOk) {
            ++written;
        } else {
            failed.push_back(microphone);
            if (exitCode != CliExit::kFailure)
                exitCode = outcome.exitCode;
        }
        QJsonObject entry{{"microphone", microphone}};
        AddOutcome(entry, outcome);
        microphones.append(entry);
        results << "Microphone " << microphone << ": "
                << (outcome.exitCode == CliExit::kOk ? "written" : "FAILED") << "\n"
                << std::flush;
        context.err << "Connect the next microphone and press Enter, or type q to stop: "
                    << std::flush;
        std::string answer;
        if (!std::getline(context.in, answer) ||
            (!answer.empty() && (answer[0] == 'q' || answer[0] == 'Q')))
            break;
    }
    const int total = written + static_cast<int>(failed.size());
    if (options.json) {
        context.err << "\n";
        QJsonObject json = TransferJson("write", args, link);
        QJsonArray failedJson;
        for (const int number : failed)
            failedJson.append(number);
        json.insert("ok", failed.empty());
        json.insert("microphones", microphones);
        json.insert("written", written);
        json.insert("failed", failedJson);
        PrintJson(context.out, json);
    } else {
        context.out << "\n"
                    << written << " of " << total << " microphones written"
                    << (settings.verify ? " and verified." : ".");
        if (!failed.empty()) {
            context.out << " Failed:";
            for (const int number : failed)
                context.out << " " << number;
        }
        context.out << "\n";
    }
    return exitCode;
}

// Several ports, or a production line: one thread per port, the job of a
// write on each microphone.
int RunFleet(CCliContext& context, const CCliArgs& args, const std::vector<std::string>& ports,
             const CJobSettings& settings)
{
    CTransferOutcome refused;
    if (!Confirm(context, TransferMode::Write, args, refused))
        return CliExit::kFailure;
    CFleetSetup setup;
    setup.makeLink = [](const std::string& port) {
        auto link = std::make_unique<CMicLink>();
        SelectPort(*link, port);
        return link;
    };
    setup.quiet = args.Has("--quiet");
    setup.live = context.progressOnTerminal && !setup.quiet;
    return RunFleetWrite(context, args, ports, settings, setup);
}

int RunWrite(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    std::vector<std::string> ports;
    std::string error;
    if (!ParsePortList(args, ports, error)) {
        context.err << "write: " << error << "\n";
        return CliExit::kUsage;
    }
    const bool fleet = !ports.empty() && IsFleetWrite(args, ports);
    if (fleet && (args.Has("--repeat") || args.Has("--trace") || args.Has("--json"))) {
        context.err << "write: --repeat, --trace and --json work on one port, without "
                       "--continuous\n";
        return CliExit::kUsage;
    }
    CMicLink link;
    if (!fleet && !SelectPort(link, args.Value("--port"))) {
        context.err << "write: --port is required\n";
        return CliExit::kUsage;
    }
    const CTransferLog log(args.Value("--log"));
    CJobSettings settings;
    if (const int refused = JobSettings(context, args, "write", log, settings))
        return refused;
    if (!LoadIntoStore(context, args.positional[0]))
        return CliExit::kFailure;
    if (fleet)
        return RunFleet(context, args, ports, settings);
    const CTransferOptions options = TransferOptionsOf(context, args);
    CTransferOutcome outcome;
    if (Confirm(context, TransferMode::Write, args, outcome)) {
        if (args.Has("--repeat"))
            return RunRepeatedWrite(context, link, args, options, settings);
        outcome = RunTransfer(context, link, options, settings,
                              [](CProgrammingJob& job) { return job.Write(); });
    }
    if (options.json) {
        QJsonObject json = TransferJson("write", args, link);
        AddOutcome(json, outcome);
        PrintJson(context.out, json);
    }
    return outcome.exitCode;
}

const char* const kPortHelp =
    "PORT is a port number (3), a Windows port name (COM3, \\\\.\\COM12) or a device\n"
    "path (/dev/ttyUSB0). On Linux and macOS port number n is the device stored as\n"
    "\"Ports/COM<n>\" in the settings, else the n-th serial port of the system.\n"
    "--yes answers the confirmation; without it the question is asked on the\n"
    "terminal, and refused when standard input is not one. Questions and progress\n"
    "go to stderr. --trace prints every byte on the wire, as it travels (masked)\n"
    "and without its mask.\n"
    "The counter \"Block n / 9\" is one line rewritten in place when stderr is a\n"
    "terminal, else a line for each block; --quiet shows no progress at all.\n"
    "--json prints one JSON object on stdout at the end: command, file, port,\n"
    "device, ok, message (what the progress window would have shown) and, when\n"
    "the port did not open, openFailure; read adds saved, write --repeat lists\n"
    "the microphones with written and failed. The trace then goes to stderr.\n"
    "With the document also come result (the log's word for the outcome) and\n"
    "outcome (the sentence that ends the run on stdout without --json).\n"
    "--log FILE.csv appends a line per transfer: time, port, device, model,\n"
    "version, operation, data file, SHA-256 of its image, result, message and\n"
    "duration; several runs may share one log.\n";

const char* const kReadHelp =
    "--verify reads twice and keeps the image only when both agree; when\n"
    "they differ, a third read decides. No file is written otherwise.\n\n";

const std::string kReadFullHelp = std::string(kReadHelp) + kPortHelp;

const char* const kWriteHelp =
    "After the write the microphone is read back and compared with FILE\n"
    "(--no-verify leaves that out); re-entry is tried for --verify-wait S\n"
    "seconds (10). Exit code 0: verified; 1: failed, or written but differs;\n"
    "3: written, not verified. --backup DIR first reads the microphone and\n"
    "saves its configuration in DIR; if that fails, nothing is written; the\n"
    "write's entry after it is tried for --verify-wait S seconds as well.\n"
    "With --repeat it writes FILE to one microphone after another, asking\n"
    "for the next one after each, and sums up at the end.\n"
    "--port 3,4,5 (or --port given several times) writes the microphones on\n"
    "several ports at once, one status line per port. --continuous makes a\n"
    "production line of it, on one port or several: each port waits for a\n"
    "microphone, writes it, waits until it is unplugged and starts over.\n"
    "Ctrl+C ends after the transfers in progress and sums up.\n\n";

const std::string kWriteFullHelp = std::string(kWriteHelp) + kPortHelp;

} // namespace

std::string OpenFailureText(const COpenFailure& failure, const std::string& device)
{
    switch (failure.kind) {
    case COpenFailure::Kind::None:
        return {};
    case COpenFailure::Kind::PermissionDenied:
        return "permission denied: add your user to the group that owns " + device +
               ", e.g. dialout, and log in again";
    case COpenFailure::Kind::NoDevice:
        if (device.empty())
            return "no serial device has that port number ('qzm530rx-cli ports' lists them)";
        break;
    case COpenFailure::Kind::Other:
        break;
    }
    return device + ": " + (failure.reason.empty() ? "it cannot be opened" : failure.reason);
}

std::vector<CCliCommand> TransferCommands()
{
    return {
        {"read",
         "read --port PORT FILE",
         "Reads the microphone's configuration into FILE.",
         kReadFullHelp.c_str(),
         1,
         1,
         {"--port", "--log"},
         {"--yes", "--trace", "--quiet", "--json", "--verify"},
         [](CCliContext& c, const CCliArgs& a) { return RunRead(c, a); }},
        {"write",
         "write --port PORT FILE",
         "Writes the configuration in FILE to the microphone and reads it back.",
         kWriteFullHelp.c_str(),
         1,
         1,
         {"--port", "--verify-wait", "--log", "--backup"},
         {"--yes", "--trace", "--repeat", "--quiet", "--json", "--verify", "--no-verify",
          "--continuous"},
         [](CCliContext& c, const CCliArgs& a) { return RunWrite(c, a); }},
    };
}
