// The longest time the event loop goes without handling events while a
// write waits out a slow write preparation, and while the write is read
// back; against the virtual microphone on a pseudo-terminal, at line pace.
//
//   bench_stall [PREPARE_MS]   (15000)
#include "bench/BenchPty.h"
#include "bench/BenchSupport.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "job/ProgrammingJob.h"
#include "job/VerifiedTransfer.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "link/Transfer.h"
#include "sim/PtyMicServer.h"
#include "sim/VirtualMic.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uint32_t kDefaultPrepareMs = 15000;
constexpr double kTargetMs = 100;

// A timer that fires whenever the event loop is reached, noting the
// longest gap between two of its turns.
class CStallMeter
{
public:
    CStallMeter()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this]() { Turn(); });
    }
    void Start()
    {
        m_longest = 0;
        m_turns = 0;
        m_last = Clock::now();
        m_timer.start();
    }
    void Stop()
    {
        Turn();
        m_timer.stop();
    }
    double LongestMs() const { return m_longest; }
    long Turns() const { return m_turns; }

private:
    using Clock = std::chrono::steady_clock;
    void Turn()
    {
        const auto now = Clock::now();
        m_longest =
            std::max(m_longest, std::chrono::duration<double, std::milli>(now - m_last).count());
        m_last = now;
        ++m_turns;
    }

    QTimer m_timer;
    Clock::time_point m_last;
    double m_longest = 0;
    long m_turns = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long prepareMs = argc > 1 ? std::atol(argv[1]) : kDefaultPrepareMs;
    CVirtualMic mic;
    CMicFaults faults;
    faults.slowPrepareMs = static_cast<uint32_t>(prepareMs);
    mic.SetFaults(faults);
    CPtyMicServer server(mic);
    const pid_t child = ServeInChild(server);
    if (child < 0)
        return 1;

    CTextCatalog texts;
    texts.SelectLanguage("English");
    CConfigStore store(&texts);
    store.Reset();
    for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
        store.WorkingImage()[i] = static_cast<uint8_t>(i * 17 + 5);
    CMicLink link;
    link.SetDeviceName(server.DevicePath());
    CSilentView view(&texts);
    CTransfer transfer(link, store, texts, view);

    std::printf("Write against a microphone that answers the write preparation %ld ms late\n",
                prepareMs);
    CStallMeter meter;
    meter.Start();
    const auto start = std::chrono::steady_clock::now();
    const bool written = transfer.Run(TransferMode::Write);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    meter.Stop();
    std::printf("write      %s in %6.2f s, %7ld event-loop turns, longest stall %6.1f ms "
                "(target %.0f ms)\n",
                written ? "done  " : "FAILED", seconds, meter.Turns(), meter.LongestMs(),
                kTargetMs);
    const bool writeOk = written && meter.LongestMs() <= kTargetMs;

    MicImage image{};
    std::memcpy(image.data(), store.WorkingImage(), image.size());
    meter.Start();
    const CVerifyResult verify = VerifyWritten(link, image, CJobSettings::kDefaultVerifyWaitMs);
    meter.Stop();
    std::printf("read-back  %s, %7ld event-loop turns, longest stall %6.1f ms\n",
                verify.status == CVerifyResult::kVerified ? "verified" : "NOT VERIFIED",
                meter.Turns(), meter.LongestMs());

    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return writeOk ? 0 : 1;
}
