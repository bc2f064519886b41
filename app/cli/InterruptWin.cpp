#include "app/cli/Interrupt.h"

#include "link/PortLock.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kSignalBase = 128;
constexpr char kStopping[] = "\nStopping at the next step (Ctrl+C again ends at once).\n";

std::atomic<std::atomic<bool>*> g_stop{nullptr};
volatile std::sig_atomic_t g_signal = 0;
void (*g_previous)(int) = SIG_DFL;

extern "C" void OnInterrupt(int signal)
{
    std::atomic<bool>* const stop = g_stop.load();
    if (g_signal != 0 || !stop)
        std::_Exit(kSignalBase + signal);
    g_signal = signal;
    stop->store(true);
    std::fputs(kStopping, stderr);
    // The C runtime resets the handler after each signal.
    std::signal(SIGINT, OnInterrupt);
}

} // namespace

CInterruptScope::CInterruptScope(std::atomic<bool>& stop)
{
    g_signal = 0;
    g_stop = &stop;
    g_previous = std::signal(SIGINT, OnInterrupt);
}

CInterruptScope::~CInterruptScope()
{
    std::signal(SIGINT, g_previous == SIG_ERR ? SIG_DFL : g_previous);
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
    std::exit(InterruptStatus(signal));
}
