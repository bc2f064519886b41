// The processor time of a long wait: a read-back that waits 5 s for a
// microphone that never answers (the virtual microphone on a
// pseudo-terminal, silent), once on the spinning clock of the desktop
// window's transfer and once on the sleeping clock of the command-line
// tool and the production line.
//
//   bench_wait [WAIT_MS]   (5000)
#include "bench/BenchPty.h"
#include "job/VerifiedTransfer.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "sim/PtyMicServer.h"
#include "sim/VirtualMic.h"

#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

constexpr uint32_t kDefaultWaitMs = 5000;
// The most of the wait that the sleeping clock may spend on the processor.
constexpr double kTargetShare = 0.04;

struct CWaitFigures
{
    double wall = 0;
    double cpu = 0;
    bool silent = false; // nothing was read back, as it should be
};

CWaitFigures ReadBackWait(const std::string& device, ITickClock& ticks, uint32_t waitMs)
{
    CMicLink link(ticks);
    link.SetDeviceName(device);
    link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    MicImage written{};
    const double cpu = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const CVerifyResult result = VerifyWritten(link, written, waitMs);
    CWaitFigures figures;
    figures.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.cpu = ProcessCpuSeconds() - cpu;
    figures.silent = result.status == CVerifyResult::kNotRead;
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long waitMs = argc > 1 ? std::atol(argv[1]) : kDefaultWaitMs;
    CVirtualMic mic;
    CMicFaults faults;
    faults.silent = true;
    mic.SetFaults(faults);
    CPtyMicServer server(mic);
    const pid_t child = ServeInChild(server);
    if (child < 0)
        return 1;

    std::printf("Read-back waiting %ld ms for a microphone that never answers\n", waitMs);
    std::printf("  clock      wall s   cpu s   cpu/wall\n");
    const struct
    {
        const char* name;
        ITickClock& ticks;
    } clocks[] = {{"spinning", CSteadyTickClock::Instance()},
                  {"sleeping", CSleepingTickClock::Instance()}};
    double sleepingShare = 1;
    bool silent = true;
    for (const auto& clock : clocks) {
        const CWaitFigures f =
            ReadBackWait(server.DevicePath(), clock.ticks, static_cast<uint32_t>(waitMs));
        const double share = f.wall > 0 ? f.cpu / f.wall : 0;
        std::printf("  %-9s %7.2f %7.3f %9.1f%%\n", clock.name, f.wall, f.cpu, share * 100);
        silent = silent && f.silent;
        if (&clock.ticks == &CSleepingTickClock::Instance())
            sleepingShare = share;
    }
    std::printf("sleeping: %.1f%% of the wait on the processor (target at most %.0f%%)\n",
                sleepingShare * 100, kTargetShare * 100);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return silent && sleepingShare <= kTargetShare ? 0 : 1;
}
