// qzm530rx-line: the production-line window. main() only wires the window
// to the system: its dialogs and boxes, the clock, the command line, and
// the signals a system sends when it shuts down.
#include "app/Version.h"
#include "core/Clock.h"
#include "ui/production/ProductionArgs.h"
#include "ui/production/ProductionDialogs.h"
#include "ui/production/ProductionWindow.h"
#include "ui/shared/QtMessagePresenter.h"

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
// How often the window looks whether the system asked it to end.
constexpr int kSignalCheckMs = 200;

std::atomic<bool> g_endAsked{false};

extern "C" void OnEndSignal(int)
{
    g_endAsked = true;
}

bool Asks(int argc, char** argv, const char* option)
{
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == option)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // Answered before a display is needed (the manual page is made from them).
    if (Asks(argc, argv, "--help") || Asks(argc, argv, "-h")) {
        std::fputs(kProductionUsage, stdout);
        return kExitOk;
    }
    if (Asks(argc, argv, "--version")) {
        std::printf("qzm530rx-line %s\n", kQzmVersion);
        return kExitOk;
    }
    // Qt takes its own switches (-platform, -style) out of argv.
    QApplication app(argc, argv);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    CProductionArgs parsed;
    std::string error;
    if (!ParseProductionArgs(args, parsed, error)) {
        std::fprintf(stderr, "qzm530rx-line: %s\nTry qzm530rx-line --help.\n", error.c_str());
        return kExitUsage;
    }

    CQtMessagePresenter boxes;
    CQtProductionDialogs dialogs;
    CProductionWindow window(boxes, dialogs, CSystemClock::Instance(), CProductionSetup());
    boxes.SetMainWindow(&window);
    QObject::connect(&window, &CProductionWindow::ResultLine, [](const QString& line) {
        std::printf("%s\n", line.toLocal8Bit().constData());
        std::fflush(stdout);
    });
    // Without a file and ports the window comes back as it was left.
    if (parsed.dataFile.empty() && parsed.ports.empty())
        window.Restore();
    else
        window.Apply(parsed);
    if (parsed.fullScreen)
        window.showFullScreen();
    else if (parsed.start)
        window.showMaximized();
    else
        window.show();
    if (parsed.start)
        window.Start();

    // A shutdown (SIGTERM, SIGHUP) or Ctrl+C ends the window as closing it
    // does, without the question: the transfers in progress finish first.
    for (const int signal : {SIGINT, SIGTERM
#ifdef SIGHUP
                             ,
                             SIGHUP
#endif
         })
        std::signal(signal, OnEndSignal);
    QTimer endWatch;
    QObject::connect(&endWatch, &QTimer::timeout, &window, [&window] {
        if (g_endAsked.exchange(false))
            window.CloseWithoutAsking();
    });
    endWatch.start(kSignalCheckMs);
    return app.exec();
}
