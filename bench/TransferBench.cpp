// Read and write against the virtual microphone on a pseudo-terminal, at
// line pace, compared with the time the bytes need on the wire.
#include "bench/BenchPty.h"
#include "bench/BenchSupport.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "link/Transfer.h"
#include "sim/PtyMicServer.h"
#include "sim/VirtualMic.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRuns = 3;
// The two busy waits of a transfer: after opening, before identification.
constexpr double kBusyWaitSeconds = 0.050 + 0.050;

// Adds up the time each byte needs on the line at its rate.
class CWireTime : public IWireObserver
{
public:
    void OnWire(bool, const uint8_t*, std::size_t count, uint32_t, uint32_t rate) override
    {
        seconds += static_cast<double>(count) * Wire::kBitsPerByte / rate;
        bytes += count;
    }
    double seconds = 0;
    std::size_t bytes = 0;
};

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The system's tick counter, noting the processor time that busy waits burn.
class CMeasuringTickClock : public ITickClock
{
public:
    uint32_t NowMs() const override { return CSteadyTickClock::Instance().NowMs(); }
    void WaitTurn(uint32_t) override
    {
        const double cpu = ThreadCpuSeconds();
        const auto now = std::chrono::steady_clock::now();
        // Turns of one wait follow each other closely; a gap starts a new wait.
        if (m_spinning && now - m_lastSpin < std::chrono::milliseconds(2))
            spinCpu += cpu - m_lastCpu;
        m_spinning = true;
        m_lastCpu = cpu;
        m_lastSpin = now;
    }
    double spinCpu = 0;

private:
    bool m_spinning = false;
    double m_lastCpu = 0;
    std::chrono::steady_clock::time_point m_lastSpin;
};

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct CFigures
{
    double wall = 0;
    double limit = 0;
    double cpu = 0;
    double spinCpu = 0;
    std::size_t bytes = 0;
    bool ok = true;
};

CFigures Measure(CMeasuringTickClock& ticks, CMicLink& link, CConfigStore& store,
                 const CTextCatalog& texts, TransferMode mode)
{
    CSilentView view(&texts);
    CWireTime wire;
    link.SetWireObserver(&wire);
    CTransfer transfer(link, store, texts, view);
    ticks.spinCpu = 0;
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = transfer.Run(mode);
    const auto end = std::chrono::steady_clock::now();
    link.SetWireObserver(nullptr);
    CFigures figures;
    figures.ok = ok;
    figures.wall = std::chrono::duration<double>(end - start).count();
    figures.cpu = CpuSeconds() - cpuStart;
    figures.spinCpu = ticks.spinCpu;
    figures.bytes = wire.bytes;
    figures.limit = wire.seconds + kBusyWaitSeconds + CVirtualMic::kConfirmDelayMs / 1000.0;
    return figures;
}

void Print(const char* name, const CFigures& f)
{
    const double share = (f.cpu - f.spinCpu) / (f.wall - kBusyWaitSeconds);
    std::printf("%-6s %5zu bytes  wall %6.3f s  limit %6.3f s  ratio %5.3f  cpu %5.1f%% of wall, "
                "%4.1f%% outside the busy waits%s\n",
                name, f.bytes, f.wall, f.limit, f.wall / f.limit, f.cpu / f.wall * 100, share * 100,
                f.ok ? "" : "  FAILED");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CVirtualMic mic;
    for (std::size_t i = 0; i < mic.GetImage().size(); ++i)
        mic.GetImage()[i] = static_cast<uint8_t>(i * 29 + 3);
    CPtyMicServer server(mic);
    const pid_t child = ServeInChild(server);
    if (child < 0)
        return 1;

    CTextCatalog texts;
    texts.SelectLanguage("English");
    CConfigStore store(&texts);
    store.Reset();
    CMeasuringTickClock ticks;
    CMicLink link(SystemDeviceFactory(ticks), ticks, CSystemClock::Instance());
    link.SetDeviceName(server.DevicePath());

    std::printf("Transfers against the virtual microphone on %s, at line pace, %d runs each\n",
                server.DevicePath().c_str(), kRuns);
    bool allOk = true;
    for (int run = 0; run < kRuns; ++run) {
        const CFigures read = Measure(ticks, link, store, texts, TransferMode::Read);
        Print("read", read);
        for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
            store.WorkingImage()[i] = static_cast<uint8_t>(i * 17 + run);
        const CFigures write = Measure(ticks, link, store, texts, TransferMode::Write);
        Print("write", write);
        allOk = allOk && read.ok && write.ok;
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return allOk ? 0 : 1;
}
