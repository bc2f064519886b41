// Parallel throughput: one microphone written and read back on each of 1, 2
// and 4 ports at once, each a virtual microphone on a pseudo-terminal of its
// own served by a process of its own at line pace, through the command-line
// tool's fleet (one thread per port).
#include "app/cli/CliSupport.h"
#include "app/cli/FleetCommand.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "link/MicLink.h"
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
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRuns = 3;
constexpr int kPortCounts[] = {1, 2, 4};
constexpr int kMaxPorts = 4;
constexpr double kTargetRatio = 1.15;

// A virtual microphone served from a child process.
struct CServedMic
{
    CVirtualMic mic;
    std::unique_ptr<CPtyMicServer> server;
    pid_t child = -1;
};

// The wall time of one fleet write on the first `count` microphones;
// negative when a port failed.
double FleetWrite(const std::vector<std::string>& devices, int count, int run)
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
    CCliArgs args;
    args.positional.push_back("bench.dat");
    const std::vector<std::string> ports(devices.begin(), devices.begin() + count);
    CFleetSetup setup;
    setup.makeLink = [](const std::string& port) {
        auto link = std::make_unique<CMicLink>();
        link->SetDeviceName(port);
        return link;
    };
    const auto start = std::chrono::steady_clock::now();
    CJobSettings settings;
    settings.dataFile = args.positional[0];
    const int code = RunFleetWrite(context, args, ports, settings, setup);
    const auto end = std::chrono::steady_clock::now();
    if (code != CliExit::kOk) {
        std::fprintf(stderr, "%s", out.str().c_str());
        return -1;
    }
    return std::chrono::duration<double>(end - start).count();
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
    std::printf("Ports  best wall  runs                      vs 1 port\n");
    bool ok = true;
    double single = 0;
    double four = 0;
    for (const int count : kPortCounts) {
        std::string runs;
        double best = 0;
        for (int run = 0; run < kRuns; ++run) {
            const double wall = FleetWrite(devices, count, run);
            ok = ok && wall > 0;
            best = run == 0 ? wall : std::min(best, wall);
            char text[32];
            std::snprintf(text, sizeof text, "%6.3f s ", wall);
            runs += text;
        }
        if (count == 1)
            single = best;
        if (count == kMaxPorts)
            four = best;
        std::printf("%5d  %7.3f s  %s %6.3fx\n", count, best, runs.c_str(), best / single);
    }
    std::printf("\n4 ports against 1: %.3fx (target at most %.2fx)%s\n", four / single,
                kTargetRatio, ok ? "" : "  A PORT FAILED");
    for (const auto& served : mics) {
        kill(served->child, SIGTERM);
        waitpid(served->child, nullptr, 0);
    }
    return ok ? 0 : 1;
}
