#include "ui/production/ProductionThread.h"

#include "job/ShopRecord.h"
#include "job/TransferLog.h"
#include "link/MicLink.h"

#include <chrono>
#include <thread>

namespace {

// How often a port that waits for its label looks whether the run ends.
constexpr std::chrono::milliseconds kLabelWatch{100};
// How often a port whose record cannot be reached asks it again for a number.
constexpr std::chrono::milliseconds kRecordRetry{1000};

} // namespace

CProductionThread::CProductionThread(const ILocalClock& clock, CProductionSetup setup,
                                     QObject* parent)
    : QObject(parent), m_clock(clock), m_setup(std::move(setup))
{
    qRegisterMetaType<CMicRecord>();
}

CProductionThread::~CProductionThread()
{
    if (m_run)
        m_run->RequestStop();
    if (m_thread)
        m_thread->wait();
}

bool CProductionThread::Start(const CConfigStore::Image& image,
                              const std::vector<std::string>& ports, CProductionSettings settings,
                              LogFileState& state, LabelSource labelSource,
                              const std::string& serial)
{
    state = LogFileState::kNew;
    if (m_running)
        return false;
    settings.mode = FleetMode::kContinuous;
    if (m_thread)
        m_thread->wait();
    m_book = std::make_unique<CLabelBook>();
    if (labelSource != LabelSource::kNone) {
        ReadDoneLabels(settings.logPath, *m_book);
        SerialFault fault = SerialFault::kNone;
        if (labelSource == LabelSource::kSerial) {
            m_counter.SetPattern(serial, fault);
            m_counter.ContinueAfter(LoggedLabels(settings.logPath));
        }
        settings.labels = m_book.get();
    }
    const bool askLabels = labelSource == LabelSource::kAsk;
    std::vector<CProductionPort> fleet;
    std::vector<std::unique_ptr<CLabelSlot>> labels;
    for (const std::string& port : ports) {
        CProductionPort entry;
        entry.name = port;
        if (askLabels) {
            const std::size_t index = labels.size();
            entry.label = [this, index](std::string& label) { return WaitForLabel(index, label); };
        } else if (labelSource == LabelSource::kSerial) {
            const int index = static_cast<int>(labels.size());
            CShopRecord* const shop = settings.job.record;
            entry.label = [this, port, index, shop](std::string& label) {
                if (shop) {
                    // From the record, waiting while it cannot be reached.
                    bool usedUp = false;
                    CRecordFault error;
                    while (!shop->DrawSerial(m_counter, port, IsoLocalTimeNow(), label, usedUp,
                                             error)) {
                        if (usedUp || m_run->StopRequested())
                            return false;
                        std::this_thread::sleep_for(kRecordRetry);
                    }
                } else if (!m_counter.Next(label)) {
                    return false;
                }
                CLabelUse earlier;
                m_book->Take(label, port, IsoLocalTimeNow(), earlier);
                emit LabelTaken(index, QString::fromStdString(label));
                return true;
            };
        }
        labels.push_back(std::make_unique<CLabelSlot>());
        if (m_setup.makeLink)
            entry.makeLink = [make = m_setup.makeLink, port] { return make(port); };
        if (m_setup.pause)
            entry.pause = [pause = m_setup.pause, port](uint32_t ms) { pause(port, ms); };
        fleet.push_back(std::move(entry));
    }
    auto run =
        std::make_unique<CProductionRun>(image, std::move(fleet), std::move(settings), m_clock);
    state = run->CheckLog();
    if (state == LogFileState::kNotALog || state == LogFileState::kNotWritable)
        return false;
    if (m_thread)
        m_thread->wait();
    m_thread.reset();
    m_labels = std::move(labels);
    m_run = std::move(run);
    CProductionRun* const started = m_run.get();
    IFleetObserver& observer = *this;
    m_thread.reset(QThread::create([started, &observer] {
        LogFileState unused = LogFileState::kNew;
        started->Run(observer, unused);
    }));
    connect(m_thread.get(), &QThread::finished, this, [this] {
        m_running = false;
        emit Ended();
    });
    m_running = true;
    m_thread->start();
    return true;
}

void CProductionThread::RequestStop()
{
    if (m_run)
        m_run->RequestStop();
}

bool CProductionThread::WaitForLabel(std::size_t port, std::string& label)
{
    CLabelSlot& slot = *m_labels[port];
    {
        const std::lock_guard<std::mutex> lock(slot.mutex);
        slot.waiting = true;
        slot.filled = false;
    }
    emit LabelWanted(static_cast<int>(port));
    std::unique_lock<std::mutex> lock(slot.mutex);
    while (!slot.filled && !m_run->StopRequested())
        slot.given.wait_for(lock, kLabelWatch);
    slot.waiting = false;
    if (!slot.filled)
        return false;
    label = slot.label;
    return true;
}

void CProductionThread::GiveLabel(int port, const std::string& label)
{
    if (port < 0 || static_cast<std::size_t>(port) >= m_labels.size())
        return;
    CLabelSlot& slot = *m_labels[static_cast<std::size_t>(port)];
    {
        const std::lock_guard<std::mutex> lock(slot.mutex);
        if (!slot.waiting)
            return;
        slot.label = label;
        slot.filled = true;
    }
    slot.given.notify_all();
}

void CProductionThread::OnState(std::size_t port, PortState state)
{
    emit StateChanged(static_cast<int>(port), static_cast<int>(state));
}

void CProductionThread::OnBlock(std::size_t port, int n, int total)
{
    emit BlockMoved(static_cast<int>(port), n, total);
}

void CProductionThread::OnResult(std::size_t port, const CMicRecord& record)
{
    emit ResultCame(static_cast<int>(port), record);
    // Counted on the port's thread, so that a record far away never holds
    // the window up.
    if (CShopRecord* shop = m_run ? m_run->Settings().job.record : nullptr) {
        int all = 0, here = 0;
        CRecordFault error;
        if (shop->DayTotals(IsoLocalTimeNow().substr(0, 10), all, here, error))
            emit ShopDay(all, here);
    }
}
