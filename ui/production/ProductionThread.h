#pragma once
#include "core/ConfigStore.h"
#include "job/FleetRunner.h"
#include "job/MicLabel.h"
#include "job/ProductionRun.h"
#include "job/SerialCounter.h"

#include <QMetaType>

#include <QObject>
#include <QString>
#include <QThread>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ILocalClock;

// Where a run's ports come from: the system's serial ports, or lines that
// a test plays.
struct CProductionSetup
{
    // Makes the link of a port as the user named it, on the port's thread;
    // empty: the system's port of that name.
    std::function<std::unique_ptr<CMicLink>(const std::string& port)> makeLink;
    // The wait between probes on a port; empty: the system clock.
    std::function<void(const std::string& port, uint32_t ms)> pause;
    // Why a port does not open, in one line; empty: what doctor's survey of
    // the machine finds (diag/PortTrouble.h).
    std::function<std::string(const std::string& port)> whyNotOpen;
    // The station's sounds; empty: the system's bell.
    enum class Sound
    {
        kPutAside,       // a microphone failed and is to be put aside
        kQuantityReached // the run has done its quantity
    };
    std::function<void(Sound sound)> sound;
};

// The production run of the window, run from a thread of its own, so that
// nothing here ever waits for a port: what the ports tell arrives as
// signals, queued to the thread this object lives on.
class CProductionThread : public QObject, private IFleetObserver
{
    Q_OBJECT
public:
    // `clock` keys the backup files and must outlive the run.
    CProductionThread(const ILocalClock& clock, CProductionSetup setup, QObject* parent = nullptr);
    // Asks a run in progress to stop and waits until it has ended.
    ~CProductionThread() override;

    // Starts writing `image` on `ports` continuously as `settings` say.
    // False with `state` set, and nothing started, when the log is no log
    // or cannot be written; false with `state` kNew when a run is in
    // progress.
    // Labels: kAsk has each port ask for the label of each microphone
    // before it writes it (LabelWanted) and wait for GiveLabel; kSerial
    // gives each the next number of `serial`, after the highest of its form
    // in the log. Either way a label goes to one microphone (Labels()).
    enum class LabelSource
    {
        kNone,
        kAsk,
        kSerial
    };
    bool Start(const CConfigStore::Image& image, const std::vector<std::string>& ports,
               CProductionSettings settings, LogFileState& state,
               LabelSource labels = LabelSource::kNone, const std::string& serial = {});
    // The labels of the run: those its log shows done well and those given.
    CLabelBook& Labels() { return *m_book; }
    // The label of the microphone on `port`, which asked for it; a port
    // that did not ask ignores it.
    void GiveLabel(int port, const std::string& label);
    // As Ctrl+C does for the command-line tool: the transfers in progress
    // finish, no new one starts.
    void RequestStop();

    bool Running() const { return m_running; }
    bool StopRequested() const { return m_run && m_run->StopRequested(); }
    // The run just ended, or none; only once it has ended.
    const CProductionRun* Run() const { return m_running ? nullptr : m_run.get(); }

signals:
    void StateChanged(int port, int state);      // a PortState
    void BlockMoved(int port, int n, int total); // block n of total starts
    void ResultCame(int port, const CMicRecord& record);
    // The port has a microphone and waits for its label (GiveLabel).
    void LabelWanted(int port);
    // The microphone on the port got the counter's next number.
    void LabelTaken(int port, const QString& label);
    // The shop's record after a microphone: those done well today on every
    // station, and on this one.
    void ShopDay(int shop, int station);
    // The run's thread has ended; Run() is whole.
    void Ended();

private:
    void OnState(std::size_t port, PortState state) override;
    void OnBlock(std::size_t port, int n, int total) override;
    void OnResult(std::size_t port, const CMicRecord& record) override;
    // On the port's thread: asks for the label and waits for it, or for the
    // run's end; false when the run ends first.
    bool WaitForLabel(std::size_t port, std::string& label);

    // Where a port's label is handed over from the window's thread.
    struct CLabelSlot
    {
        std::mutex mutex;
        std::condition_variable given;
        bool waiting = false;
        bool filled = false;
        std::string label;
    };

    const ILocalClock& m_clock;
    const CProductionSetup m_setup;
    std::unique_ptr<CProductionRun> m_run;
    std::unique_ptr<QThread> m_thread;
    std::vector<std::unique_ptr<CLabelSlot>> m_labels;
    std::unique_ptr<CLabelBook> m_book = std::make_unique<CLabelBook>();
    CSerialCounter m_counter;
    bool m_running = false;
};

Q_DECLARE_METATYPE(CMicRecord)
