// The production-line window: its start-up (made, given a file and four
// ports, shown and painted once), the repaint of one running tile, and the
// longest single event the window handles while four simulated ports run a
// batch (their news, its paints).
// No repaint may hold the window up for more than 50 ms.
//
//   bench_line [RUNS]   (15; QT_QPA_PLATFORM=offscreen or an X display)
#include "bench/BenchClock.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "link/FleetRig.h"
#include "text/TextCatalog.h"
#include "ui/production/ProductionDialogs.h"
#include "ui/production/ProductionTile.h"
#include "ui/production/ProductionWindow.h"
#include "ui/shared/QtMessagePresenter.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kDefaultRuns = 15;
constexpr int kRepaints = 200;
constexpr int kMicrophones = 25;
constexpr double kTargetMs = 50;
constexpr int kWidth = 1280;
constexpr int kHeight = 1024;
constexpr int kRunLimitMs = 120000;

struct CBench
{
    std::map<std::string, std::unique_ptr<CFleetRigPort>> ports;
    std::vector<std::string> names{"COM3", "COM4", "COM5", "COM6"};
    CQtMessagePresenter boxes; // a run asks nothing
    CQtProductionDialogs dialogs;
    CFixedClock clock{10, 0, 0};

    std::unique_ptr<CProductionWindow> NewWindow(const std::string& dataFile, int microphones)
    {
        ports.clear();
        for (const std::string& name : names) {
            ports[name] = std::make_unique<CFleetRigPort>(name);
            ports[name]->PlayBatch(100, microphones);
        }
        CProductionSetup setup;
        setup.makeLink = [this](const std::string& port) { return ports.at(port)->MakeLink(); };
        setup.pause = [this](const std::string& port, uint32_t ms) { ports.at(port)->Pause(ms); };
        setup.whyNotOpen = [](const std::string&) { return std::string(); };
        setup.sound = [](CProductionSetup::Sound) {};
        auto window = std::make_unique<CProductionWindow>(boxes, dialogs, clock, setup);
        CProductionArgs args;
        args.dataFile = dataFile;
        args.ports = names;
        args.count = microphones * static_cast<int>(names.size());
        window->Apply(args);
        window->resize(kWidth, kHeight);
        return window;
    }
};

// Times each event the window is given: a port's news, a paint, a timer.
// On simulated ports the news comes far faster than any line sends it, so
// the event loop's gaps say nothing; the longest single event does.
class CTimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        const auto start = BenchClock::now();
        const bool done = QApplication::notify(receiver, event);
        if (m_timing) {
            m_longest = std::max(m_longest, MsSince(start));
            ++m_events;
        }
        return done;
    }
    void Time(bool on) { m_timing = on; }
    double LongestMs() const { return m_longest; }
    long Events() const { return m_events; }

private:
    bool m_timing = false;
    double m_longest = 0;
    long m_events = 0;
};

} // namespace

int main(int argc, char** argv)
{
    CTimedApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
    QTemporaryDir folder;
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder.path());
    CTextCatalog texts;
    texts.SelectLanguage("English");
    CConfigStore store(&texts);
    store.Reset();
    const std::string dataFile = (folder.path() + QStringLiteral("/shop.dat")).toStdString();
    std::error_code error;
    CBench bench;
    if (SaveDataFile(store, dataFile, bench.clock, error) != DataFile::kSaved)
        return 1;

    // Start-up: made, applied, shown, painted.
    std::vector<double> startups;
    for (int run = 0; run < runs; ++run) {
        const auto start = BenchClock::now();
        auto window = bench.NewWindow(dataFile, 1);
        window->show();
        window->repaint();
        QCoreApplication::processEvents();
        startups.push_back(MsSince(start));
    }

    // One running tile: a block moves and the tile is painted at once.
    auto window = bench.NewWindow(dataFile, kMicrophones);
    window->show();
    QCoreApplication::processEvents();
    CProductionTile& tile = *window->Tiles().front();
    tile.SetState(PortState::kWriting);
    std::vector<double> repaints;
    for (int i = 0; i < kRepaints; ++i) {
        const auto start = BenchClock::now();
        tile.SetBlock(i % 9 + 1, 9);
        tile.repaint();
        repaints.push_back(MsSince(start));
    }

    // A batch on four ports: the longest wait of the event loop.
    app.Time(true);
    const auto start = BenchClock::now();
    if (!window->Start())
        return 1;
    const QDeadlineTimer limit(kRunLimitMs);
    while (window->Running() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    app.Time(false);
    const double runMs = MsSince(start);

    const double longestRepaint = *std::max_element(repaints.begin(), repaints.end());
    std::printf("Production-line window, %d ports\n", static_cast<int>(bench.names.size()));
    std::printf("  start-up, made to painted    %7.1f ms median of %d\n", Median(startups), runs);
    std::printf("  running tile repaint         %7.2f ms median, %.2f ms longest of %d\n",
                Median(repaints), longestRepaint, kRepaints);
    std::printf("  longest event of a batch     %7.2f ms of %ld events, %d microphones (%.0f ms)\n",
                app.LongestMs(), app.Events(), kMicrophones * static_cast<int>(bench.names.size()),
                runMs);
    const bool met = longestRepaint <= kTargetMs && app.LongestMs() <= kTargetMs;
    std::printf("  target: no stall over %.0f ms: %s\n", kTargetMs, met ? "met" : "MISSED");
    return met ? 0 : 1;
}
