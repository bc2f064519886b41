// Memory map timings over a full configuration image:
//  - open: from the call that opens the dialog to the end of its first
//    complete paint;
//  - show / hide characters: from the click on "ASCII Characters" to the end
//    of the paint that follows.
// Runs under the platform in QT_QPA_PLATFORM (offscreen when unset) and
// prints the fastest, the median and the slowest of each.
#include "core/ConfigStore.h"
#include "text/TextCatalog.h"
#include "ui/memmap/MemoryMapDlg.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>

#include "grid/GridEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
constexpr int kRuns = 15;
constexpr int kMaxRounds = 200;

// Notes when the table's cells have been painted.
class CPaintWatch : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
    bool painted = false;
};

// Processes events until the table has painted, then returns the time.
double WaitForPaint(CPaintWatch& watch, const QElapsedTimer& timer)
{
    for (int round = 0; round < kMaxRounds && !watch.painted; ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!watch.painted)
        std::fprintf(stderr, "the table did not paint\n");
    constexpr double kNsPerMs = 1e6;
    return static_cast<double>(timer.nsecsElapsed()) / kNsPerMs;
}

void Report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-24s min %.2f ms, median %.2f ms, max %.2f ms (%zu runs)\n", what, ms.front(),
                ms[ms.size() / 2], ms.back(), ms.size());
}
} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    CTextCatalog texts;
    if (!texts.SelectLanguage("English"))
        return 1;
    CConfigStore store(&texts);
    store.Reset();
    uint8_t* image = store.WorkingImage();
    for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 1); // every cell holds a byte and a character

    CMemoryMapDlg dialog(&texts);
    dialog.Configure(store.WorkingImage(), store.TransferCopy(), CConfigStore::kImageSize, true,
                     true, std::string());
    CPaintWatch watch;
    dialog.Table()->viewport()->installEventFilter(&watch);

    std::vector<double> open;
    std::vector<double> hide;
    std::vector<double> show;
    double first = 0;
    for (int run = 0; run < kRuns; ++run) {
        watch.painted = false;
        QElapsedTimer timer;
        timer.start();
        dialog.Open();
        open.push_back(WaitForPaint(watch, timer));
        if (run == 0)
            first = open.back();

        watch.painted = false;
        timer.restart();
        dialog.AsciiCheck()->click();
        hide.push_back(WaitForPaint(watch, timer));

        watch.painted = false;
        timer.restart();
        dialog.AsciiCheck()->click();
        show.push_back(WaitForPaint(watch, timer));

        dialog.reject();
        QCoreApplication::processEvents();
    }
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("first opening (cold): %.2f ms\n", first);
    Report("opening to first paint", open);
    Report("hiding the characters", hide);
    Report("showing the characters", show);
    return 0;
}
