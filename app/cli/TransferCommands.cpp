// The transfer commands: ports, read, write.
#include "app/cli/CliSupport.h"
#include "app/cli/ConsolePresenter.h"

#include "core/ConfigStore.h"
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

constexpr int kFirstListedPort = 1;
constexpr int kLastListedPort = 20;
constexpr long kFirstPortNumber = 1;
constexpr long kLastPortNumber = 255;
constexpr uint32_t kMsPerSecond = 1000;
constexpr long kMaxVerifyWaitSeconds = 3600;

// The progress window on a terminal: one line that is rewritten in place.
class CConsoleTransferView : public ITransferView
{
public:
    explicit CConsoleTransferView(std::ostream& out) : m_out(out) {}
    ~CConsoleTransferView() override { EndLine(); }

    void SetCaption(const std::string& caption) override { m_out << caption << "\n"; }
    void SetCounterText(const std::string& text) override
    {
        m_out << "\r" << text << std::flush;
        m_open = true;
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
    bool m_open = false;
};

// Ends the progress line before a message box is shown.
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
        return m_inner ? m_inner->Present(owner, text, title, style) : MessageAnswer::kOk;
    }

private:
    IMessagePresenter* m_inner;
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

// A number from 1 to 255, for "3", "COM3" and "\\.\COM12"; -1 otherwise.
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

// The user's go-ahead for a transfer: --yes, or the confirmation answered
// at the terminal. Says on stderr why not when there is none.
bool Confirm(CCliContext& context, TransferMode mode, const CCliArgs& args)
{
    const bool assumeYes = args.Has("--yes");
    const char* const command = mode == TransferMode::Read ? "read" : "write";
    if (!assumeYes && !context.interactive) {
        context.err << command
                    << ": standard input is not a terminal, so the confirmation cannot be "
                       "asked; give --yes to confirm\n";
        return false;
    }
    if (auto* console = dynamic_cast<CConsolePresenter*>(context.boxes.Presenter()))
        console->SetAssumeYes(assumeYes);
    if (AskTransfer(context.boxes, nullptr, mode))
        return true;
    context.err << "Cancelled.\n";
    return false;
}

// The job's settings from the options: verification, its wait, the log
// and the backup folder. False, with the reason on stderr, for options that
// do not go together or a wait that is not a number of seconds.
bool JobSettings(CCliContext& context, const CCliArgs& args, const char* command,
                 CJobSettings& settings)
{
    settings.port = args.Value("--port");
    settings.dataFile = args.positional[0];
    if (args.Has("--verify") && args.Has("--no-verify")) {
        context.err << command << ": --verify and --no-verify exclude each other\n";
        return false;
    }
    settings.verify =
        std::string(command) == "write" ? !args.Has("--no-verify") : args.Has("--verify");
    if (args.Has("--verify-wait")) {
        long seconds = 0;
        if (!ParseNumber(args.Value("--verify-wait"), 0, kMaxVerifyWaitSeconds, seconds)) {
            context.err << command << ": --verify-wait takes seconds from 0 to "
                        << kMaxVerifyWaitSeconds << "\n";
            return false;
        }
        settings.verifyWaitMs = static_cast<uint32_t>(seconds) * kMsPerSecond;
    }
    settings.backupDir = args.Value("--backup");
    return true;
}

// Opens the log for appending once before any transfer, so that a log that
// cannot be written stops the run before a microphone is touched.
bool CheckLog(CCliContext& context, const std::string& path)
{
    if (path.empty() || std::ofstream(path, std::ios::binary | std::ios::app))
        return true;
    context.err << "cannot write the log " << path << "\n";
    return false;
}

// Runs one job as the progress window runs a transfer: progress and boxes
// on the console, the job's notices on stderr.
template <class Action>
auto RunJob(CCliContext& context, CMicLink& link, const CJobSettings& settings, bool trace,
            Action action)
{
    CConsoleTransferView view(context.err);
    CWireTrace tracer(link, view, context.out);
    link.SetWireObserver(trace ? &tracer : nullptr);
    IMessagePresenter* const console = context.boxes.Presenter();
    CLinePresenter presenter(console, view);
    context.boxes.SetPresenter(&presenter);
    CTransfer transfer(link, context.store, context.texts, context.boxes, view);
    CProgrammingJob job(link, transfer, context.store, context.boxes, context.clock, settings);
    job.SetNotice([&](const std::string& text) {
        view.EndLine();
        context.err << text << "\n" << std::flush;
    });
    const auto result = action(job);
    view.EndLine();
    context.boxes.SetPresenter(console);
    link.SetWireObserver(nullptr);
    if (!job.LogWritten())
        context.err << "cannot write the log " << job.LogError() << "\n";
    return std::make_pair(result, job.LogWritten());
}

// The exit code of a write's outcome.
int WriteExitCode(JobResult result)
{
    switch (result) {
    case JobResult::kVerified:
    case JobResult::kWritten:
        return CliExit::kOk;
    case JobResult::kNotVerified:
        return CliExit::kNotVerified;
    default:
        return CliExit::kFailure;
    }
}

int RunPorts(CCliContext& context, const CCliArgs&)
{
    EnsureApplication();
    CMicLink link;
    context.out << "Port   Device                          Opens  RS-232\n";
    for (int number = kFirstListedPort; number <= kLastListedPort; ++number) {
        const std::string device = CSerialPort::PortDeviceName(number);
        link.SetPortNumber(static_cast<uint8_t>(number));
        const bool opens = !device.empty() && link.SetOpen(1);
        const bool rs232 = opens && link.IsRs232();
        link.SetOpen(0);
        std::string label = "COM" + std::to_string(number);
        label.resize(7, ' ');
        std::string shown = device.empty() ? "-" : device;
        if (shown.size() < 32)
            shown.resize(32, ' ');
        context.out << label << shown << (opens ? "yes    " : "no     ")
                    << (rs232 ? "yes" : (opens ? "no" : "-")) << "\n";
    }
    return CliExit::kOk;
}

int RunRead(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    CMicLink link;
    if (!SelectPort(link, args.Value("--port"))) {
        context.err << "read: --port is required\n";
        return CliExit::kUsage;
    }
    CJobSettings settings;
    if (!JobSettings(context, args, "read", settings))
        return CliExit::kUsage;
    const std::string logPath = args.Value("--log");
    const CTransferLog log(logPath);
    settings.log = logPath.empty() ? nullptr : &log;
    if (!CheckLog(context, logPath))
        return CliExit::kFailure;
    if (!Confirm(context, TransferMode::Read, args))
        return CliExit::kFailure;
    const auto [outcome, logged] =
        RunJob(context, link, settings, args.Has("--trace"), [&](CProgrammingJob& job) {
            CJobOutcome result = job.Read();
            if (result.result != JobResult::kFailed &&
                !SaveFromStore(context, args.positional[0])) {
                result.result = JobResult::kFailed;
                result.message = "Read, but " + args.positional[0] + " could not be saved.";
            }
            job.LogRead(result);
            return result;
        });
    if (settings.verify || outcome.result == JobResult::kFailed)
        context.out << outcome.message << "\n";
    return outcome.result != JobResult::kFailed && logged ? CliExit::kOk : CliExit::kFailure;
}

int RunWrite(CCliContext& context, const CCliArgs& args)
{
    EnsureApplication();
    CMicLink link;
    if (!SelectPort(link, args.Value("--port"))) {
        context.err << "write: --port is required\n";
        return CliExit::kUsage;
    }
    CJobSettings settings;
    if (!JobSettings(context, args, "write", settings))
        return CliExit::kUsage;
    const std::string logPath = args.Value("--log");
    const CTransferLog log(logPath);
    settings.log = logPath.empty() ? nullptr : &log;
    if (!CheckLog(context, logPath) || !LoadIntoStore(context, args.positional[0]))
        return CliExit::kFailure;
    if (!Confirm(context, TransferMode::Write, args))
        return CliExit::kFailure;
    const bool trace = args.Has("--trace");
    const auto writeOne = [&]() {
        const auto [outcome, logged] = RunJob(context, link, settings, trace,
                                              [](CProgrammingJob& job) { return job.Write(); });
        context.out << outcome.message << "\n" << std::flush;
        const int code = WriteExitCode(outcome.result);
        return code == CliExit::kOk && !logged ? CliExit::kFailure : code;
    };
    if (!args.Has("--repeat"))
        return writeOne();

    int written = 0;
    int worst = CliExit::kOk;
    std::vector<int> failed;
    for (int microphone = 1;; ++microphone) {
        const int code = writeOne();
        if (code == CliExit::kOk) {
            ++written;
        } else {
            failed.push_back(microphone);
            if (worst != CliExit::kFailure)
                worst = code;
        }
        context.out << "Microphone " << microphone << ": "
                    << (code == CliExit::kOk ? "written" : "FAILED") << "\n"
                    << std::flush;
        context.err << "Connect the next microphone and press Enter, or type q to stop: "
                    << std::flush;
        std::string answer;
        if (!std::getline(context.in, answer) ||
            (!answer.empty() && (answer[0] == 'q' || answer[0] == 'Q')))
            break;
    }
    const int total = written + static_cast<int>(failed.size());
    context.out << "\n"
                << written << " of " << total << " microphones written"
                << (settings.verify ? " and verified." : ".");
    if (!failed.empty()) {
        context.out << " Failed:";
        for (const int number : failed)
            context.out << " " << number;
    }
    context.out << "\n";
    return worst;
}

const char* const kPortHelp =
    "PORT is a port number (3), a Windows port name (COM3, \\\\.\\COM12) or a device\n"
    "path (/dev/ttyUSB0). On Linux and macOS port number n is the device stored as\n"
    "\"Ports/COM<n>\" in the settings, else the n-th serial port of the system.\n"
    "--yes answers the confirmation; without it the question is asked on the\n"
    "terminal, and refused when standard input is not one. Questions and progress\n"
    "go to stderr. --trace prints every byte on the wire, as it travels (masked)\n"
    "and without its mask.\n"
    "--log FILE.csv appends a line per transfer: time, port, device, model,\n"
    "version, operation, data file, SHA-256 of its image, result, message and\n"
    "duration; several runs may share one log.\n";

const std::string kReadHelp =
    std::string(kPortHelp) + "--verify reads twice and keeps the image only when both agree; when\n"
                             "they differ, a third read decides. No file is written otherwise.\n";

const std::string kWriteHelp =
    std::string(kPortHelp) +
    "After the write the microphone is read back and compared with FILE\n"
    "(--no-verify leaves that out); re-entry is tried for --verify-wait S\n"
    "seconds (10). Exit code 0: verified; 1: failed, or written but differs;\n"
    "3: written, not verified. --backup DIR first reads the microphone and\n"
    "saves its configuration in DIR; if that fails, nothing is written.\n"
    "With --repeat it writes FILE to one microphone after another, asking\n"
    "for the next one after each, and sums up at the end.\n";

} // namespace

std::vector<CCliCommand> TransferCommands()
{
    return {
        {"ports",
         "ports",
         "Lists COM1 to COM20: device, whether it opens, whether it is RS-232.",
         "",
         0,
         0,
         {},
         {},
         [](CCliContext& c, const CCliArgs& a) { return RunPorts(c, a); }},
        {"read",
         "read --port PORT FILE",
         "Reads the microphone's configuration into FILE.",
         kReadHelp.c_str(),
         1,
         1,
         {"--port", "--log"},
         {"--yes", "--trace", "--verify"},
         [](CCliContext& c, const CCliArgs& a) { return RunRead(c, a); }},
        {"write",
         "write --port PORT FILE",
         "Writes the configuration in FILE to the microphone and reads it back.",
         kWriteHelp.c_str(),
         1,
         1,
         {"--port", "--verify-wait", "--log", "--backup"},
         {"--yes", "--trace", "--repeat", "--verify", "--no-verify"},
         [](CCliContext& c, const CCliArgs& a) { return RunWrite(c, a); }},
    };
}
