// Parallel throughput: one microphone written and read back on each of 1, 2
// and 4 ports at once, each a virtual microphone on a pseudo-terminal of its
// own served by a process of its own at line pace, through the command-line
// tool's fleet (one thread per port).
#include "app/cli/CliSupport.h"
#include "app/cli/FleetCommand.h"
#include "app/cli/TransferSupport.h"
#include "bench/BenchPty.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "sim/PtyMicServer.h"
#include "sim/VirtualMic.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRuns = 3;
constexpr int kPortCounts[] = {1, 2, 4};
constexpr int kMaxPorts = 4;
constexpr double kTargetRatio = 1.15;
constexpr double kTargetCpuShare = 0.10;

// A virtual microphone served from a child process.
struct CServedMic
{
    CVirtualMic mic;
    std::unique_ptr<CPtyMicServer> server;
    pid_t child = -1;
};

struct CRunFigures
{
    double wall = -1; // negative when a port failed
    double cpu = 0;
};

// One fleet write on the first `count` microphones, as the command-line
// tool's fleet runs it.
CRunFigures FleetWrite(const std::vector<std::string>& devices, int count, int run)
{
    CTextCatalog texts;
    texts.SelectLanguage("English");
    CConfigStore store(&texts);
    store.Reset();
    for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
        store.WorkingImage()[i] = static_cast<uint8_t>(i * 13 + run * 7 + count);
    CMessageBoxes boxes(texts);
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    CCliContext context{store, texts, boxes, CSystemClock::Instance(), in, out, err, false};
    CTransferCommand command;
    command.name = "write";
    command.file = "bench.dat";
    const std::vector<std::string> ports(devices.begin(), devices.begin() + count);
    CFleetSetup setup;
    setup.makeLink = [](const std::string& port) {
        auto link = std::make_unique<CMicLink>(CSleepingTickClock::Instance());
        link->SetDeviceName(port);
        return link;
    };
    const double cpu = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    CJobSettings settings;
    settings.dataFile = command.file;
    const int code = RunFleetWrite(context, command, ports, settings, setup);
    const auto end = std::chrono::steady_clock::now();
    CRunFigures figures;
    figures.cpu = ProcessCpuSeconds() - cpu;
    if (code != CliExit::kOk) {
        std::fprintf(stderr, "%s", out.str().c_str());
        return figures;
    }
    figures.wall = std::chrono::duration<double>(end - start).count();
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<CServedMic>> mics;
    std::vector<std::string> devices;
    for (int i = 0; i < kMaxPorts; ++i) {
        auto served = std::make_unique<CServedMic>();
        served->server = std::make_unique<CPtyMicServer>(served->mic);
        std::string error;
        if (!served->server->Open(error)) {
            std::fprintf(stderr, "no pseudo-terminal: %s\n", error.c_str());
            return 1;
        }
        served->child = fork();
        if (served->child == 0) {
            served->server->Serve();
            _exit(0);
        }
        devices.push_back(served->server->DevicePath());
        mics.push_back(std::move(served));
    }

    std::printf("One microphone written and verified on each of N ports at once, at line "
                "pace, best of %d "
                "runs\n\n",
                kRuns);
    std::printf("Ports  best wall  runs                      vs 1 port  cpu of best  cpu/wall\n");
    bool ok = true;
    double single = 0;
    double four = 0;
    double fourShare = 1;
    for (const int count : kPortCounts) {
        std::string runs;
        CRunFigures best;
        for (int run = 0; run < kRuns; ++run) {
            const CRunFigures figures = FleetWrite(devices, count, run);
            ok = ok && figures.wall > 0;
            if (run == 0 || figures.wall < best.wall)
                best = figures;
            char text[32];
            std::snprintf(text, sizeof text, "%6.3f s ", figures.wall);
            runs += text;
        }
        if (count == 1)
            single = best.wall;
        const double share = best.wall > 0 ? best.cpu / best.wall : 1;
        if (count == kMaxPorts) {
            four = best.wall;
            fourShare = share;
        }
        std::printf("%5d  %7.3f s  %s %6.3fx  %8.3f s  %7.1f%%\n", count, best.wall, runs.c_str(),
                    best.wall / single, best.cpu, share * 100);
    }
    std::printf("\n4 ports against 1: %.3fx (target at most %.2fx)%s\n", four / single,
                kTargetRatio, ok ? "" : "  A PORT FAILED");
    std::printf("4 ports: the fleet's processor time is %.1f%% of its wall time (target at most "
                "%.0f%%)\n",
                fourShare * 100, kTargetCpuShare * 100);
    for (const auto& served : mics) {
        kill(served->child, SIGTERM);
        waitpid(served->child, nullptr, 0);
    }
    return ok ? 0 : 1;
}
