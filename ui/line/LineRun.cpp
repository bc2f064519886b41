#include "ui/line/LineRun.h"

#include "link/MicLink.h"
#include "link/PortName.h"
#include "link/PortWriter.h"
#include "link/TickClock.h"
#include "link/TransferLog.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A log is a regular file that can be appended to: checked before any
// transfer, so that a log that cannot be written stops the run before a
// microphone is touched (a FIFO would hold the run until a reader came).
bool CanAppendTo(const std::string& path)
{
    const QFileInfo info(QString::fromStdString(path));
    if (info.exists() && !info.isFile())
        return false;
    QFile file(info.filePath());
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

} // namespace

CLineRun::CLineRun(const ILocalClock& clock, CLineSetup setup, QObject* parent)
    : QObject(parent), m_clock(clock), m_setup(std::move(setup))
{
}

CLineRun::~CLineRun()
{
    if (m_runner)
        m_runner->RequestStop();
    if (m_thread)
        m_thread->wait();
}

bool CLineRun::Start(const CConfigStore::Image& image, const std::vector<std::string>& ports,
                     CJobSettings settings, const std::string& logPath, std::string& error)
{
    if (m_running) {
        error = "a run is in progress";
        return false;
    }
    if (!logPath.empty() && !CanAppendTo(logPath)) {
        error = "cannot write the log " + logPath;
        return false;
    }
    if (m_thread)
        m_thread->wait();
    m_thread.reset();
    m_runner.reset();
    m_log = std::make_unique<CTransferLog>(logPath);
    settings.log = logPath.empty() ? nullptr : m_log.get();

    std::vector<CFleetPort> fleet;
    for (const std::string& port : ports) {
        CFleetPort entry;
        entry.name = port;
        const std::function<std::unique_ptr<CMicLink>(const std::string&)> make = m_setup.makeLink;
        entry.makeLink = [make, port] {
            if (make)
                return make(port);
            auto link = std::make_unique<CMicLink>(CSleepingTickClock::Instance());
            SelectPort(*link, port);
            return link;
        };
        if (m_setup.pause)
            entry.pause = [pause = m_setup.pause, port](uint32_t ms) { pause(port, ms); };
        fleet.push_back(std::move(entry));
    }
    IFleetObserver& observer = *this;
    m_runner = std::make_unique<CFleetRunner>(
        std::move(fleet), MakePortWriters(image, settings, m_clock, false), observer);
    CFleetRunner* const runner = m_runner.get();
    m_thread.reset(QThread::create([runner] { runner->Run(true); }));
    connect(m_thread.get(), &QThread::finished, this, [this] {
        m_running = false;
        emit Ended();
    });
    m_running = true;
    m_thread->start();
    return true;
}

void CLineRun::RequestStop()
{
    if (m_runner)
        m_runner->RequestStop();
}

std::vector<CPortTotals> CLineRun::Totals() const
{
    // The ports' threads write the totals until the run has ended.
    return m_runner && !m_running ? m_runner->Totals() : std::vector<CPortTotals>();
}

void CLineRun::OnState(std::size_t port, PortState state)
{
    emit StateChanged(static_cast<int>(port), static_cast<int>(state));
}

void CLineRun::OnBlock(std::size_t port, int n, int total)
{
    emit BlockMoved(static_cast<int>(port), n, total);
}

void CLineRun::OnResult(std::size_t port, int number, const CMicOutcome& outcome)
{
    emit ResultCame(static_cast<int>(port), number, static_cast<int>(outcome.result),
                    QString::fromStdString(outcome.message), outcome.Ok());
}
