#include "ui/production/ProductionWindow.h"

#include "core/DataFile.h"
#include "core/SettingText.h"
#include "core/SettingsLayout.h"
#include "diag/DoctorSurvey.h"
#include "diag/PortTrouble.h"
#include "job/LogReport.h"
#include "job/MicTally.h"
#include "job/SerialCounter.h"
#include "job/ShopRecord.h"
#include "job/TransferLog.h"
#include "link/MicLink.h"
#include "link/PortName.h"
#include "link/SerialPort.h"
#include "link/SystemPorts.h"
#include "text/MessagePresenter.h"
#include "text/MessageStyle.h"
#include "ui/production/LogTail.h"
#include "ui/production/ProductionDialogs.h"
#include "ui/production/ProductionTile.h"
#include "words/RecordWords.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSysInfo>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* kLanguage = "English";
constexpr const char* kTitle = "QZM-530RX Production Line";
constexpr int kSecondsPerDay = 24 * 60 * 60;
// Between the rings of the quantity done.
constexpr int kRingGapMs = 250;
// The window's first size, room for three tiles and the log's lines.
constexpr int kStartWidth = 1180;
constexpr int kStartHeight = 760;
constexpr int kPortRole = Qt::UserRole;
// The log table's column of the result.
constexpr int kResultColumn = 3;
// Lines a microphone may take in the log: its backup, its write.
constexpr int kLinesPerMicrophone = 2;
// From this pace on, units per hour are said whole ("120 per hour"), below with a tenth.
constexpr double kWholePerHour = 10;

} // namespace

CProductionWindow::CProductionWindow(IMessagePresenter& boxes, IProductionDialogs& dialogs,
                                     const ILocalClock& clock, CProductionSetup setup,
                                     QWidget* parent)
    : QMainWindow(parent), m_boxes(boxes), m_clock(clock), m_makeLink(setup.makeLink),
      m_sound(setup.sound), m_dialogs(dialogs), m_store(&m_texts), m_whyNotOpen(setup.whyNotOpen),
      m_run(clock, std::move(setup))
{
    if (!m_whyNotOpen)
        m_whyNotOpen = [this](const std::string& port) {
            return PortTrouble(PortDevice(port, m_portTable), SystemDoctorSeams());
        };
    if (!m_makeLink)
        // Through the numbering of the list: one look at the system for all.
        m_makeLink = [this](const std::string& port) {
            return MakeSystemLink(
                CPortChoice{CanonicalPortName(port), PortDevice(port, m_portTable)});
        };
    if (!m_sound)
        m_sound = [](CProductionSetup::Sound sound) {
            // The quantity done rings three times; a microphone to put aside once.
            const int rings = sound == CProductionSetup::Sound::kQuantityReached ? 3 : 1;
            for (int ring = 0; ring < rings; ++ring)
                QTimer::singleShot(ring * kRingGapMs, [] { QApplication::beep(); });
        };
    m_texts.SelectLanguage(kLanguage);
    m_store.Reset();
    setWindowTitle(QString::fromUtf8(kTitle));
    auto* central = new QWidget(this);
    // The choices fold away while a run goes on, and the tiles take the room.
    m_choices = new QWidget(central);
    auto* left = new QVBoxLayout(m_choices);
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(BuildFileArea(), 1);
    left->addWidget(BuildPortArea());
    left->addWidget(BuildOptionArea());
    auto* layout = new QHBoxLayout(central);
    layout->addWidget(m_choices, 2);
    layout->addWidget(BuildRunArea(), 3);
    setCentralWidget(central);
    resize(kStartWidth, kStartHeight);

    connect(
        &m_run, &CProductionThread::StateChanged, this,
        [this](int port, int state) {
            if (static_cast<std::size_t>(port) >= m_tiles.size())
                return;
            const auto portState = static_cast<PortState>(state);
            QString trouble;
            if (portState == PortState::kNoPort)
                trouble = QString::fromStdString(m_whyNotOpen(m_runPorts[port]));
            m_tiles[port]->SetState(portState, trouble);
            ShowLog(); // a backup's line comes before the microphone's result
        },
        Qt::QueuedConnection);
    connect(
        &m_run, &CProductionThread::BlockMoved, this,
        [this](int port, int n, int total) {
            if (static_cast<std::size_t>(port) < m_tiles.size())
                m_tiles[port]->SetBlock(n, total);
        },
        Qt::QueuedConnection);
    connect(&m_run, &CProductionThread::ResultCame, this, &CProductionWindow::OnResult,
            Qt::QueuedConnection);
    connect(
        &m_run, &CProductionThread::LabelWanted, this,
        [this](int port) {
            if (static_cast<std::size_t>(port) < m_tiles.size())
                m_tiles[port]->AskLabel();
        },
        Qt::QueuedConnection);
    connect(
        &m_run, &CProductionThread::ShopDay, this,
        [this](int shop, int station) {
            m_shopToday = shop;
            m_stationToday = station;
            ShowProgress();
        },
        Qt::QueuedConnection);
    connect(
        &m_run, &CProductionThread::LabelTaken, this,
        [this](int port, const QString& label) {
            if (static_cast<std::size_t>(port) < m_tiles.size())
                m_tiles[port]->SetLabel(label);
        },
        Qt::QueuedConnection);
    connect(&m_run, &CProductionThread::Ended, this, &CProductionWindow::OnEnded,
            Qt::QueuedConnection);
    connect(m_ports, &QListWidget::itemChanged, this, &CProductionWindow::CheckPorts);
    // The ports are listed by Apply() or Restore(), which every start calls.
    UpdateButtons();
}

CProductionWindow::~CProductionWindow() = default;

void CProductionWindow::Apply(const CProductionArgs& args)
{
    m_verify->setChecked(args.verify);
    m_skipSame->setChecked(args.skipSame);
    m_quantity->setValue(args.count);
    m_askLabel->setChecked(args.askLabel);
    m_serial->setText(QString::fromStdString(args.serial));
    m_backup->setText(QString::fromStdString(args.backupDir));
    m_log->setText(QString::fromStdString(args.logPath));
    m_record->setText(QString::fromStdString(args.record));
    ListPorts(args.ports);
    if (!args.dataFile.empty())
        LoadDataFile(args.dataFile);
    UpdateButtons();
    CheckPorts();
}

namespace {

constexpr const char* kGroup = "Production";

QStringList ToStrings(const std::vector<std::string>& items)
{
    QStringList list;
    for (const std::string& item : items)
        list << QString::fromStdString(item);
    return list;
}

} // namespace

void CProductionWindow::Restore()
{
    QSettings settings(QStringLiteral("ZEPHRAN"), QStringLiteral("QZM530RX"));
    settings.beginGroup(QString::fromUtf8(kGroup));
    CProductionArgs args;
    args.dataFile = settings.value(QStringLiteral("File")).toString().toStdString();
    for (const QString& port : settings.value(QStringLiteral("Ports")).toStringList())
        args.ports.push_back(port.toStdString());
    args.verify = settings.value(QStringLiteral("Verify"), true).toBool();
    args.skipSame = settings.value(QStringLiteral("SkipSame"), false).toBool();
    args.count =
        std::clamp(settings.value(QStringLiteral("Quantity"), 0).toInt(), 0, m_quantity->maximum());
    args.askLabel = settings.value(QStringLiteral("AskLabel"), false).toBool();
    args.serial = settings.value(QStringLiteral("Serial")).toString().toStdString();
    args.backupDir = settings.value(QStringLiteral("BackupFolder")).toString().toStdString();
    args.logPath = settings.value(QStringLiteral("Log")).toString().toStdString();
    args.record = settings.value(QStringLiteral("Record")).toString().toStdString();
    // A file kept from before that has gone since is no error to say.
    if (!args.dataFile.empty() && !QFileInfo::exists(QString::fromStdString(args.dataFile)))
        args.dataFile.clear();
    Apply(args);
}

void CProductionWindow::Remember() const
{
    QSettings settings(QStringLiteral("ZEPHRAN"), QStringLiteral("QZM530RX"));
    settings.beginGroup(QString::fromUtf8(kGroup));
    if (m_loaded)
        settings.setValue(QStringLiteral("File"), m_file->text());
    settings.setValue(QStringLiteral("Ports"), ToStrings(ChosenPorts()));
    settings.setValue(QStringLiteral("Verify"), m_verify->isChecked());
    settings.setValue(QStringLiteral("SkipSame"), m_skipSame->isChecked());
    settings.setValue(QStringLiteral("Quantity"), m_quantity->value());
    settings.setValue(QStringLiteral("AskLabel"), m_askLabel->isChecked());
    settings.setValue(QStringLiteral("Serial"), m_serial->text().trimmed());
    settings.setValue(QStringLiteral("BackupFolder"), m_backup->text().trimmed());
    settings.setValue(QStringLiteral("Log"), m_log->text().trimmed());
    settings.setValue(QStringLiteral("Record"), m_record->text().trimmed());
}

void CProductionWindow::CheckPorts()
{
    if (m_run.Running())
        return;
    const std::vector<std::string> ports = ChosenPorts();
    m_runVerify = m_verify->isChecked();
    MakeTiles(ports);
    // Whether each ticked port opens, before the first microphone: a dead
    // adapter is seen at once, with doctor's finding.
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const std::unique_ptr<CMicLink> link = m_makeLink(ports[i]);
        QString trouble;
        if (!link->Open()) {
            const std::string finding = m_whyNotOpen(ports[i]);
            trouble = QString::fromStdString(
                finding.empty() ? OpenFailureText(link->LastOpenFailure(), link->OpenName())
                                : finding);
            if (trouble.isEmpty())
                trouble = QStringLiteral("the port does not open");
        }
        link->Close();
        m_tiles[i]->SetChecked(trouble);
    }
}

bool CProductionWindow::LoadDataFile(const std::string& path)
{
    ForeignProductName foreign{};
    const int result = ::LoadDataFile(m_store, path, foreign);
    if (result != DataFile::kLoaded) {
        m_loadFailure = QString::fromStdString(LoadFailureText(
            m_texts, result, QFileInfo(QString::fromStdString(path)).fileName().toStdString(),
            foreign));
        m_status->setText(m_loadFailure);
        UpdateButtons();
        return false;
    }
    m_store.TransferToImage();
    std::copy(m_store.WorkingImage(), m_store.WorkingImage() + m_image.size(), m_image.begin());
    m_loaded = true;
    m_loadFailure.clear();
    m_file->setText(QString::fromStdString(path));
    m_settings->clear();
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def) {
        auto* item = new QTreeWidgetItem(m_settings);
        item->setText(0, QString::fromUtf8(def->label));
        item->setText(1, QString::fromStdString(DisplayValue(m_store, *def)));
    }
    m_status->setText(QStringLiteral("Ready to write %1.")
                          .arg(QFileInfo(QString::fromStdString(path)).fileName()));
    UpdateButtons();
    return true;
}

void CProductionWindow::ListPorts(const std::vector<std::string>& wanted)
{
    const QSignalBlocker quiet(m_ports);
    m_ports->clear();
    m_portTable = NumberSystemPorts();
    std::vector<std::string> wantedIds;
    for (const std::string& port : wanted)
        wantedIds.push_back(PortIdentity(port, m_portTable));
    std::vector<std::string> listed;
    const auto add = [&](const QString& text, const std::string& port) {
        auto* item = new QListWidgetItem(text, m_ports);
        item->setData(kPortRole, QString::fromStdString(port));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        const std::string identity = PortIdentity(port, m_portTable);
        const bool chosen =
            std::find(wantedIds.begin(), wantedIds.end(), identity) != wantedIds.end();
        item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
        listed.push_back(identity);
    };
    for (const CPortEntry& entry : m_portTable.entries) {
        const std::string port = "COM" + std::to_string(entry.number);
        add(QStringLiteral("%1  %2").arg(QString::fromStdString(port),
                                         entry.node.empty() ? QStringLiteral("(not present)")
                                                            : QString::fromStdString(entry.node)),
            port);
    }
    for (const std::string& node : m_portTable.unnumbered)
        add(QString::fromStdString(node), node);
    for (std::size_t i = 0; i < wanted.size(); ++i)
        if (std::find(listed.begin(), listed.end(), wantedIds[i]) == listed.end())
            add(QString::fromStdString(wanted[i]), wanted[i]);
}

std::vector<std::string> CProductionWindow::ChosenPorts() const
{
    std::vector<std::string> ports;
    for (int i = 0; i < m_ports->count(); ++i)
        if (m_ports->item(i)->checkState() == Qt::Checked)
            ports.push_back(m_ports->item(i)->data(kPortRole).toString().toStdString());
    return ports;
}

void CProductionWindow::MakeTiles(const std::vector<std::string>& ports)
{
    for (CProductionTile* tile : m_tiles)
        delete tile;
    m_tiles.clear();
    for (int row = 0; row < m_tileGrid->rowCount(); ++row)
        m_tileGrid->setRowStretch(row, 0);
    for (int column = 0; column < m_tileGrid->columnCount(); ++column)
        m_tileGrid->setColumnStretch(column, 0);
    // As square a grid as the ports make: four ports in two rows of two.
    int columns = 1;
    while (columns * columns < static_cast<int>(ports.size()))
        ++columns;
    QWidget* previous = m_stop;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        auto* tile = new CProductionTile(QString::fromStdString(ports[i]),
                                         QString::fromStdString(PortDevice(ports[i], m_portTable)),
                                         m_runVerify, m_tileGrid->parentWidget());
        const int row = static_cast<int>(i) / columns;
        const int column = static_cast<int>(i) % columns;
        m_tileGrid->addWidget(tile, row, column);
        m_tileGrid->setRowStretch(row, 1);
        m_tileGrid->setColumnStretch(column, 1);
        setTabOrder(previous, tile);
        previous = tile;
        m_tiles.push_back(tile);
    }
}

bool CProductionWindow::Start()
{
    const std::vector<std::string> ports = ChosenPorts();
    if (!m_loaded || ports.empty() || m_run.Running()) {
        // A kiosk start with a file that did not load keeps saying why.
        m_status->setText(m_run.Running() ? QStringLiteral("A run is in progress.")
                          : !m_loaded && !m_loadFailure.isEmpty()
                              ? m_loadFailure
                              : QStringLiteral("Choose a data file and a port first."));
        return false;
    }
    CProductionSettings settings;
    settings.job.dataFile = m_file->text().toStdString();
    settings.job.verify = m_verify->isChecked();
    settings.job.skipSame = m_skipSame->isChecked();
    settings.job.backupDir = m_backup->text().trimmed().toStdString();
    settings.logPath = m_log->text().trimmed().toStdString();
    settings.count = m_quantity->value();
    settings.job.describe = [](const CMicRecord& record) { return RecordSentence(record); };
    m_runVerify = settings.job.verify;
    const bool askLabels = m_askLabel->isChecked();
    const std::string serial = m_serial->text().trimmed().toStdString();
    LogVersion version = kNewestLog;
    CSerialCounter pattern;
    SerialFault fault = SerialFault::kNone;
    if (askLabels && !serial.empty()) {
        m_status->setText(QStringLiteral("Ask for a label or give serial numbers: not both."));
        return false;
    }
    if (!serial.empty() && !pattern.SetPattern(serial, fault)) {
        m_status->setText(QStringLiteral("%1 is no pattern of serial numbers: give one number in "
                                         "braces, such as SN-{0001}.")
                              .arg(QString::fromStdString(serial)));
        return false;
    }
    if ((askLabels || !serial.empty()) && !settings.logPath.empty() &&
        InspectLog(settings.logPath, version) == LogFileState::kLog &&
        !HasColumn(version, LogColumn::kLabel)) {
        m_status->setText(QStringLiteral("%1 began without the label column: choose a new log "
                                         "file to log labels.")
                              .arg(QString::fromStdString(settings.logPath)));
        return false;
    }
    // The shop's record, opened for this run; the last run's is let go.
    m_shopRecord.reset();
    m_shopToday = m_stationToday = -1;
    if (const std::string where = m_record->text().trimmed().toStdString(); !where.empty()) {
        CRecordAddress address;
        CRecordFault error;
        if (ParseRecordAddress(where, address, error))
            m_shopRecord =
                CShopRecord::Open(address, QSysInfo::machineHostName().toStdString(), error);
        if (!m_shopRecord) {
            m_status->setText(QStringLiteral("The record cannot be used: %1.")
                                  .arg(QString::fromStdString(RecordFaultText(error))));
            return false;
        }
        m_shopRecord->SetNotice([this](const CRecordNotice& notice) {
            QMetaObject::invokeMethod(
                this,
                [this, shown = QString::fromStdString(RecordNoticeText(notice)),
                 away = notice.kind != CRecordNotice::kBack] {
                    m_status->setText(shown);
                    for (CProductionTile* tile : m_tiles)
                        tile->SetRecordTrouble(away ? shown : QString());
                },
                Qt::QueuedConnection);
        });
        settings.job.record = m_shopRecord.get();
    }
    using Labels = CProductionThread::LabelSource;
    const Labels labels = askLabels         ? Labels::kAsk
                          : !serial.empty() ? Labels::kSerial
                                            : Labels::kNone;
    LogFileState log = LogFileState::kNew;
    if (!m_run.Start(m_image, ports, settings, log, labels, serial)) {
        m_status->setText(log == LogFileState::kNotALog
                              ? QStringLiteral("%1 is no log of this program: choose another "
                                               "log file.")
                                    .arg(QString::fromStdString(settings.logPath))
                              : QStringLiteral("Cannot write the log %1.")
                                    .arg(QString::fromStdString(settings.logPath)));
        return false;
    }
    m_runPorts = ports;
    m_runQuantity = settings.count;
    m_runStarted = m_clock.Now();
    Remember();
    m_choices->hide();
    m_records.clear();
    m_logTail->setRowCount(0);
    m_report->clear();
    MakeTiles(ports);
    if (askLabels)
        for (std::size_t i = 0; i < m_tiles.size(); ++i)
            m_tiles[i]->UseLabels([this, i](const std::string& label) {
                CLabelUse earlier;
                if (!m_run.Labels().Take(label, m_runPorts[i], IsoLocalTimeNow(), earlier))
                    return label + " was used already on " + earlier.port + " at " + earlier.time;
                m_run.GiveLabel(static_cast<int>(i), label);
                return std::string();
            });
    m_summary->clear();
    ShowRunning();
    UpdateButtons();
    return true;
}

void CProductionWindow::Stop()
{
    if (!m_run.Running())
        return;
    m_run.RequestStop();
    m_status->setText(QStringLiteral("Stopping once the transfers in progress have ended."));
    UpdateButtons();
}

void CProductionWindow::CloseWithoutAsking()
{
    m_noQuestion = true;
    close();
}

void CProductionWindow::closeEvent(QCloseEvent* event)
{
    if (!m_run.Running()) {
        Remember();
        event->accept();
        return;
    }
    event->ignore();
    if (m_closeWhenEnded)
        return; // asked already: the window closes when the run has ended
    if (!m_noQuestion &&
        m_boxes.Present(this,
                        "A run is in progress. Stop it and close the window once the transfers in "
                        "progress have ended?",
                        kTitle, MessageStyle::kOkCancel | MessageStyle::kIconQuestion) !=
            MessageAnswer::kOk)
        return;
    if (!m_run.Running()) {
        event->accept(); // the run ended while the question was open
        return;
    }
    m_closeWhenEnded = true;
    Stop();
}

void CProductionWindow::OnResult(int port, const CMicRecord& record)
{
    if (static_cast<std::size_t>(port) >= m_tiles.size())
        return;
    m_tiles[port]->SetResult(record);
    m_records.push_back(record);
    // A microphone to put aside must not go unnoticed, nor the quantity done.
    if (!record.Ok())
        m_sound(CProductionSetup::Sound::kPutAside);
    else if (m_runQuantity > 0 &&
             std::count_if(m_records.begin(), m_records.end(),
                           [](const CMicRecord& r) { return r.Ok(); }) == m_runQuantity)
        m_sound(CProductionSetup::Sound::kQuantityReached);
    emit ResultLine(QString::fromStdString(::ResultLine(record)));
    ShowLog();
    ShowRunning();
}

void CProductionWindow::ShowRunning()
{
    CMicTally tally;
    for (const CMicRecord& record : m_records)
        tally.Add(record);
    m_summary->setText(
        QStringLiteral("So far: %1 %2, %3 failed, %4 unchanged.")
            .arg(tally.Done())
            .arg(m_runVerify ? QStringLiteral("verified") : QStringLiteral("written"))
            .arg(tally.failed)
            .arg(tally.unchanged));
    ShowProgress();
    if (!m_run.StopRequested())
        m_status->setText(
            QStringLiteral("Running on %1 %2.")
                .arg(m_tiles.size())
                .arg(m_tiles.size() == 1 ? QStringLiteral("port") : QStringLiteral("ports")));
}

namespace {

int SecondsOfDay(const CLocalTime& time)
{
    return (time.hour * 60 + time.minute) * 60 + time.second;
}

} // namespace

void CProductionWindow::ShowProgress()
{
    CMicTally tally;
    for (const CMicRecord& record : m_records)
        tally.Add(record);
    const QString done = m_runVerify ? QStringLiteral("verified") : QStringLiteral("written");
    if (m_runQuantity > 0) {
        m_progress->setText(QStringLiteral("%1 of %2").arg(tally.good).arg(m_runQuantity));
        m_progressBar->setRange(0, m_runQuantity);
        m_progressBar->setValue(std::min(tally.good, m_runQuantity));
        m_progressBar->show();
    } else {
        m_progress->setText(QStringLiteral("%1 %2").arg(tally.good).arg(done));
        m_progressBar->hide();
    }
    QStringList pace;
    pace << QStringLiteral("%1 put aside").arg(tally.failed);
    if (tally.notVerified > 0)
        pace << QStringLiteral("%1 of them written but not read back").arg(tally.notVerified);
    // The pace from the run's start on the window's clock (across midnight too).
    const CLocalTime now = m_clock.Now();
    int seconds = SecondsOfDay(now) - SecondsOfDay(m_runStarted);
    if (seconds < 0)
        seconds += kSecondsPerDay;
    if (tally.good > 0 && seconds > 0) {
        const double perHour = tally.good * 3600.0 / seconds;
        pace << QStringLiteral("%1 per hour").arg(perHour, 0, 'f', perHour < kWholePerHour ? 1 : 0);
        const int left = m_runQuantity - tally.good;
        if (m_runQuantity > 0 && left > 0) {
            const int end = (SecondsOfDay(now) + static_cast<int>(left * 3600.0 / perHour + 0.5)) %
                            kSecondsPerDay;
            pace << QStringLiteral("done about %1:%2")
                        .arg(end / 3600, 2, 10, QLatin1Char('0'))
                        .arg(end / 60 % 60, 2, 10, QLatin1Char('0'));
        }
    }
    if (m_shopToday >= 0)
        pace << QStringLiteral("shop today: %1 (here %2)").arg(m_shopToday).arg(m_stationToday);
    m_pace->setText(pace.join(QStringLiteral(" · ")));
}

void CProductionWindow::ShowReport()
{
    const QString log = m_log->text().trimmed();
    std::string text;
    CLogReport report;
    if (log.isEmpty() || !ReadWholeLog(log, text) ||
        AddLogToReport(report, log.toStdString(), text) != LogReading::kSummed) {
        m_report->clear();
        return;
    }
    SettleReport(report);
    QStringList counts;
    for (const auto& [result, count] : report.totals)
        counts << QStringLiteral("%1 %2").arg(count).arg(QString::fromStdString(result));
    QStringList rates;
    for (const CReportGroup& group : report.groups)
        if (group.UnitsPerHour() >= 0)
            rates << QStringLiteral("%1 on %2 %3")
                         .arg(group.UnitsPerHour(), 0, 'f', 1)
                         .arg(QString::fromStdString(group.port))
                         .arg(QString::fromStdString(group.day));
    const int microphones = report.tally.Total();
    QString shown =
        QStringLiteral("The log holds %1 %2")
            .arg(microphones)
            .arg(microphones == 1 ? QStringLiteral("microphone") : QStringLiteral("microphones"));
    if (!counts.isEmpty())
        shown += QStringLiteral(" (") + counts.join(QStringLiteral(", ")) + QStringLiteral(")");
    shown += QStringLiteral(".");
    if (!rates.isEmpty())
        shown +=
            QStringLiteral(" Per hour: ") + rates.join(QStringLiteral(", ")) + QStringLiteral(".");
    const auto redo =
        std::count_if(report.redo.begin(), report.redo.end(),
                      [](const CReportFailure& failure) { return failure.retried.empty(); });
    if (redo > 0)
        shown += QStringLiteral(" To program again: %1.").arg(redo);
    m_report->setText(shown);
}

void CProductionWindow::ShowLog()
{
    const QString log = m_log->text().trimmed();
    std::vector<CLogRow> rows =
        log.isEmpty() ? RowsOf(m_records) : LastLogRows(log, kLogLines * kLinesPerMicrophone);
    if (rows.size() > static_cast<std::size_t>(kLogLines))
        rows.erase(rows.begin(), rows.end() - kLogLines);
    // Newest first: the microphone just done stands at the top.
    std::reverse(rows.begin(), rows.end());
    m_logTail->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CLogRow& row = rows[i];
        const bool good = IsSuccess(row.record.result);
        QString result = QString::fromUtf8(JobResultName(row.record.result));
        if (row.record.operation == Operation::kBackup)
            result = QStringLiteral("backup ") + result;
        // The message of a good one is its tooltip only; a bad one's is read at once.
        if (!good && !row.message.empty())
            result += QStringLiteral(": ") + QString::fromStdString(row.message);
        const QString cells[] = {QString::fromStdString(row.time),
                                 QString::fromStdString(row.record.port),
                                 QString::fromStdString(row.record.label), result};
        for (int column = 0; column < static_cast<int>(std::size(cells)); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            // A failure's whole row is red and bold, to be found at a glance.
            if (!good) {
                item->setBackground(QColor(0xf8, 0xc0, 0xc0));
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            } else if (column == kResultColumn) {
                item->setBackground(QColor(0xc8, 0xf0, 0xc8));
            }
            if (column == kResultColumn)
                item->setToolTip(QString::fromStdString(row.message));
            m_logTail->setItem(static_cast<int>(i), column, item);
        }
    }
    m_logTail->scrollToTop();
}

void CProductionWindow::OnEnded()
{
    if (const CProductionRun* run = m_run.Run()) {
        const CRunSummary summary = run->Summary();
        QString text = QString::fromStdString(SummarySentence(summary));
        if (!summary.neverOpened.empty()) {
            QStringList ports;
            for (const std::string& port : summary.neverOpened)
                ports << QString::fromStdString(port);
            text += QStringLiteral(" Did not open: ") + ports.join(QStringLiteral(", ")) +
                    QStringLiteral(".");
        }
        m_summary->setText(text);
    }
    m_status->setText(QStringLiteral("Ended."));
    m_choices->show();
    ShowProgress();
    ShowLog();
    ShowReport();
    UpdateButtons();
    emit RunEnded();
    if (m_closeWhenEnded)
        close();
}

void CProductionWindow::UpdateButtons()
{
    const bool running = m_run.Running();
    m_start->setEnabled(!running && m_loaded && !ChosenPorts().empty());
    m_stop->setEnabled(running && !m_run.StopRequested());
    for (QWidget* control : {static_cast<QWidget*>(m_open), static_cast<QWidget*>(m_ports),
                             static_cast<QWidget*>(m_refresh), static_cast<QWidget*>(m_verify),
                             static_cast<QWidget*>(m_skipSame), static_cast<QWidget*>(m_askLabel),
                             static_cast<QWidget*>(m_serial), static_cast<QWidget*>(m_quantity),
                             static_cast<QWidget*>(m_backup), static_cast<QWidget*>(m_chooseBackup),
                             static_cast<QWidget*>(m_log), static_cast<QWidget*>(m_chooseLog)})
        control->setEnabled(!running);
}

void CProductionWindow::ChooseDataFile()
{
    std::string path;
    if (m_dialogs.AskDataFile(this, m_file->text().toStdString(), path))
        LoadDataFile(path);
}

void CProductionWindow::ChooseBackupFolder()
{
    std::string path;
    if (m_dialogs.AskBackupFolder(this, m_backup->text().toStdString(), path))
        m_backup->setText(QString::fromStdString(path));
}

void CProductionWindow::ChooseLogFile()
{
    std::string path;
    if (m_dialogs.AskLogFile(this, m_log->text().toStdString(), path))
        m_log->setText(QString::fromStdString(path));
}

QString CProductionWindow::StatusText() const
{
    return m_status->text();
}

QString CProductionWindow::SummaryText() const
{
    return m_summary->text();
}

QString CProductionWindow::LogText() const
{
    QStringList lines;
    for (int row = 0; row < m_logTail->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < m_logTail->columnCount(); ++column)
            cells << (m_logTail->item(row, column) ? m_logTail->item(row, column)->text()
                                                   : QString());
        lines << cells.join(QStringLiteral("  "));
    }
    return lines.join(QLatin1Char('\n'));
}

QString CProductionWindow::ProgressText() const
{
    return m_progress->text();
}

QString CProductionWindow::PaceText() const
{
    return m_pace->text();
}

bool CProductionWindow::ChoicesShown() const
{
    return !m_choices->isHidden();
}

QString CProductionWindow::ReportText() const
{
    return m_report->text();
}

QList<QWidget*> CProductionWindow::Controls() const
{
    QList<QWidget*> controls{m_file,   m_open,         m_settings, m_ports,     m_refresh,
                             m_verify, m_skipSame,     m_askLabel, m_serial,    m_quantity,
                             m_backup, m_chooseBackup, m_log,      m_chooseLog, m_start,
                             m_stop,   m_summary,      m_logTail};
    for (CProductionTile* tile : m_tiles)
        controls << tile;
    return controls;
}
