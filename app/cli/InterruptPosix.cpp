#include "app/cli/Interrupt.h"

#include "job/PendingLine.h"
#include "link/PortLock.h"

#include <csignal>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalBase = 128;
constexpr char kStopping[] = "\nStopping at the next step (Ctrl+C again ends at once).\n";

std::atomic<std::atomic<bool>*> g_stop{nullptr};
volatile std::sig_atomic_t g_signal = 0;
struct sigaction g_previous[sizeof kSignals / sizeof kSignals[0]];

extern "C" void OnInterrupt(int signal)
{
    std::atomic<bool>* const stop = g_stop.load();
    if (g_signal != 0 || !stop) {
        // The second: at once, leaving the line of the microphone in
        // progress in the log and no port locked.
        WritePendingLinesNow();
        RemovePortLocksNow();
        ::_exit(kSignalBase + signal);
    }
    g_signal = signal;
    stop->store(true);
    // Said at once, while the transfer finds its next step.
    const ssize_t written = ::write(STDERR_FILENO, kStopping, sizeof kStopping - 1);
    (void)written;
}

} // namespace

CInterruptScope::CInterruptScope(std::atomic<bool>& stop)
{
    g_signal = 0;
    g_stop = &stop;
    struct sigaction action
    {
    };
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a read in progress returns at once
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
        ::sigaction(kSignals[i], &action, &g_previous[i]);
        // A signal that the caller ignores stays ignored (nohup, a job that
        // a script runs in the background).
        if (g_previous[i].sa_handler == SIG_IGN)
            ::sigaction(kSignals[i], &g_previous[i], nullptr);
    }
}

CInterruptScope::~CInterruptScope()
{
    for (std::size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_stop = nullptr;
}

int InterruptSignal()
{
    return g_signal;
}

int InterruptStatus(int signal)
{
    return kSignalBase + signal;
}

void ReraiseInterrupt(int signal)
{
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
