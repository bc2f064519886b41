// line_figures OUT.png: the production-line window as the guide shows it,
// a run on four simulated ports caught with one port writing, one reading
// back, one microphone done well and one to put aside. Made by
// docs/help/make-figures.sh under Xvfb (or offscreen), never by hand.
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "link/FleetRig.h"
#include "link/Protocol.h"
#include "text/TextCatalog.h"
#include "ui/production/ProductionDialogs.h"
#include "ui/production/ProductionTile.h"
#include "ui/production/ProductionWindow.h"
#include "ui/shared/QtMessagePresenter.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>
#include <QSettings>

#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;
constexpr int kWaitMs = 30000;

// Holds a port's thread inside its microphone until the picture is taken.
class CGate
{
public:
    void Hold()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_open.wait(lock, [this] { return m_released; });
    }
    void Release()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_released = true;
        }
        m_open.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_open;
    bool m_released = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: line_figures OUT.png\n");
        return 2;
    }
    CTextCatalog texts;
    texts.SelectLanguage("English");
    CConfigStore store(&texts);
    store.Reset();
    const QString folder = QDir::tempPath() + QStringLiteral("/qzm-line-figures");
    QDir().mkpath(folder);
    // The window remembers its run: into the folder, never the user's settings.
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder);
    const std::string dataFile = (folder + QStringLiteral("/shop.dat")).toStdString();
    const CFixedClock clock(10, 0, 0);
    std::error_code error;
    if (SaveDataFile(store, dataFile, clock, error) != DataFile::kSaved)
        return 1;

    std::map<std::string, std::unique_ptr<CFleetRigPort>> ports;
    const std::vector<std::string> names{"COM3", "COM4", "COM5", "COM6"};
    for (const std::string& name : names)
        ports[name] = std::make_unique<CFleetRigPort>(name);
    CGate gate;
    CFleetRigPort& writing = *ports["COM3"];
    writing.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
        if (writing.mic.BlocksStored() == 4)
            gate.Hold();
    });
    CFleetRigPort& reading = *ports["COM4"];
    reading.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
        if (reading.mic.BlocksStored() == Wire::kBlockCount && reading.mic.BlocksServed() == 4)
            gate.Hold();
    });
    CFleetRigPort& failing = *ports["COM6"];
    CMicFaults refusing;
    refusing.nakWrites = 3;
    failing.mic.SetFaults(refusing);

    CProductionSetup setup;
    setup.makeLink = [&ports](const std::string& port) { return ports.at(port)->MakeLink(); };
    setup.pause = [&ports](const std::string& port, uint32_t ms) { ports.at(port)->Pause(ms); };
    setup.whyNotOpen = [](const std::string&) { return std::string(); };
    setup.sound = [](CProductionSetup::Sound) {};
    CQtMessagePresenter boxes;
    CQtProductionDialogs dialogs;
    CProductionWindow window(boxes, dialogs, clock, setup);
    CProductionArgs args;
    args.dataFile = dataFile;
    args.ports = names;
    args.count = 50;
    args.serial = "SN-{0101}";
    window.Apply(args);
    window.resize(kWidth, kHeight);
    window.show();
    if (!window.Start())
        return 1;
    const std::vector<TileLook> wanted{TileLook::kWriting, TileLook::kReadingBack,
                                       TileLook::kRemoveOk, TileLook::kPutAside};
    const QDeadlineTimer deadline(kWaitMs);
    const auto reached = [&] {
        for (std::size_t i = 0; i < wanted.size(); ++i)
            if (window.Tiles()[i]->Look() != wanted[i])
                return false;
        return true;
    };
    while (!reached() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    const bool saved = reached() && window.grab().save(QString::fromLocal8Bit(argv[1]));
    QString seen;
    for (CProductionTile* tile : window.Tiles())
        seen += QStringLiteral(" ") + tile->WordText();
    gate.Release();
    window.Stop();
    while (window.Running())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QDir(folder).removeRecursively();
    if (!saved)
        std::fprintf(stderr, "line_figures: the four states were not reached:%s\n",
                     seen.toUtf8().constData());
    return saved ? 0 : 1;
}
