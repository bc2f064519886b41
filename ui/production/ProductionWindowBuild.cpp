// The areas of the production-line window and their controls.
#include "ui/production/ProductionWindow.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kSettingsListHeight = 160;
constexpr int kPortListHeight = 90;
constexpr int kLargestQuantity = 1000000;
// The progress of a run in type this many times the window's, its pace in
// twice.
constexpr int kProgressTypeScale = 3;
constexpr int kPaceTypeScale = 2;

QPushButton* Button(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(name);
    return button;
}

} // namespace

QWidget* CProductionWindow::BuildFileArea()
{
    auto* box = new QGroupBox(QStringLiteral("Configuration"), this);
    m_file = new QLineEdit(box);
    m_file->setReadOnly(true);
    m_file->setAccessibleName(QStringLiteral("Data file"));
    m_file->setPlaceholderText(QStringLiteral("No data file chosen"));
    m_open = Button(QStringLiteral("&Open..."), QStringLiteral("Open a data file"), box);
    connect(m_open, &QPushButton::clicked, this, &CProductionWindow::ChooseDataFile);
    m_settings = new QTreeWidget(box);
    m_settings->setColumnCount(2);
    m_settings->setHeaderLabels({QStringLiteral("Setting"), QStringLiteral("Value")});
    m_settings->setRootIsDecorated(false);
    m_settings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_settings->setSelectionMode(QAbstractItemView::NoSelection);
    m_settings->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_settings->setMinimumHeight(kSettingsListHeight);
    m_settings->setAccessibleName(QStringLiteral("Settings of the data file"));

    auto* row = new QHBoxLayout;
    row->addWidget(m_file, 1);
    row->addWidget(m_open);
    auto* layout = new QVBoxLayout(box);
    layout->addLayout(row);
    layout->addWidget(m_settings, 1);
    return box;
}

QWidget* CProductionWindow::BuildPortArea()
{
    auto* box = new QGroupBox(QStringLiteral("Ports"), this);
    m_ports = new QListWidget(box);
    m_ports->setAccessibleName(QStringLiteral("Ports to program on"));
    m_ports->setMinimumHeight(kPortListHeight);
    connect(m_ports, &QListWidget::itemChanged, this, &CProductionWindow::UpdateButtons);
    m_refresh = Button(QStringLiteral("&Refresh"), QStringLiteral("Refresh the ports"), box);
    connect(m_refresh, &QPushButton::clicked, this, [this] { ListPorts(ChosenPorts()); });
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(m_ports, 1);
    layout->addWidget(m_refresh, 0, Qt::AlignLeft);
    return box;
}

QWidget* CProductionWindow::BuildOptionArea()
{
    auto* box = new QGroupBox(QStringLiteral("Options"), this);
    m_verify = new QCheckBox(QStringLiteral("Read &back each microphone"), box);
    m_verify->setChecked(true);
    m_verify->setAccessibleName(QStringLiteral("Read back each microphone"));
    m_skipSame =
        new QCheckBox(QStringLiteral("S&kip microphones that already hold the configuration"), box);
    m_skipSame->setAccessibleName(
        QStringLiteral("Skip microphones that already hold the configuration"));
    m_backup = new QLineEdit(box);
    m_backup->setPlaceholderText(QStringLiteral("No backups"));
    m_backup->setAccessibleName(QStringLiteral("Backup folder"));
    m_chooseBackup =
        Button(QStringLiteral("Choose..."), QStringLiteral("Choose the backup folder"), box);
    connect(m_chooseBackup, &QPushButton::clicked, this, &CProductionWindow::ChooseBackupFolder);
    m_log = new QLineEdit(box);
    m_log->setPlaceholderText(QStringLiteral("No log"));
    m_log->setAccessibleName(QStringLiteral("Log file"));
    m_chooseLog = Button(QStringLiteral("Choose..."), QStringLiteral("Choose the log file"), box);
    connect(m_chooseLog, &QPushButton::clicked, this, &CProductionWindow::ChooseLogFile);

    m_record = new QLineEdit(box);
    m_record->setPlaceholderText(QStringLiteral("None, or shop.db, or postgresql://host/db"));
    m_record->setAccessibleName(QStringLiteral("Record"));
    m_record->setToolTip(QStringLiteral(
        "The shop's record of every station: an SQLite file, or a PostgreSQL database whose "
        "password is in ~/.pgpass. Serial numbers are drawn from it"));

    auto* backupRow = new QHBoxLayout;
    backupRow->addWidget(m_backup, 1);
    backupRow->addWidget(m_chooseBackup);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(m_log, 1);
    logRow->addWidget(m_chooseLog);
    m_askLabel = new QCheckBox(QStringLiteral("Ask for a &label for each microphone"), box);
    m_askLabel->setAccessibleName(QStringLiteral("Ask for a label for each microphone"));
    m_askLabel->setToolTip(QStringLiteral(
        "Each port's tile asks for the label of the microphone before it writes it; a barcode "
        "scanner types it and Enter"));
    m_serial = new QLineEdit(box);
    m_serial->setPlaceholderText(QStringLiteral("None, or a pattern: SN-{0001}"));
    m_serial->setAccessibleName(QStringLiteral("Serial numbers"));
    m_serial->setToolTip(QStringLiteral(
        "Each microphone gets the next number as its label: the digits in braces are the first "
        "number and the width; {YYYY}, {YY}, {MM} and {DD} put in today's date"));
    m_quantity = new QSpinBox(box);
    m_quantity->setRange(0, kLargestQuantity);
    m_quantity->setSpecialValueText(QStringLiteral("No limit"));
    m_quantity->setAccessibleName(QStringLiteral("Quantity"));
    m_quantity->setToolTip(
        QStringLiteral("The run ends by itself once this many microphones went well"));
    auto* form = new QFormLayout;
    auto* quantityLabel = new QLabel(QStringLiteral("&Quantity:"), box);
    quantityLabel->setBuddy(m_quantity);
    form->addRow(quantityLabel, m_quantity);
    auto* serialLabel = new QLabel(QStringLiteral("Seria&l numbers:"), box);
    serialLabel->setBuddy(m_serial);
    form->addRow(serialLabel, m_serial);
    auto* backupLabel = new QLabel(QStringLiteral("Backup &folder:"), box);
    backupLabel->setBuddy(m_backup);
    auto* logLabel = new QLabel(QStringLiteral("&Log file:"), box);
    logLabel->setBuddy(m_log);
    form->addRow(backupLabel, backupRow);
    form->addRow(logLabel, logRow);
    auto* recordLabel = new QLabel(QStringLiteral("Re&cord:"), box);
    recordLabel->setBuddy(m_record);
    form->addRow(recordLabel, m_record);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(m_verify);
    layout->addWidget(m_skipSame);
    layout->addWidget(m_askLabel);
    layout->addLayout(form);
    return box;
}

QWidget* CProductionWindow::BuildRunArea()
{
    auto* area = new QWidget(this);
    m_start = Button(QStringLiteral("&Start"), QStringLiteral("Start"), area);
    m_stop = Button(QStringLiteral("S&top"), QStringLiteral("Stop"), area);
    connect(m_start, &QPushButton::clicked, this, &CProductionWindow::Start);
    connect(m_stop, &QPushButton::clicked, this, &CProductionWindow::Stop);
    m_status = new QLabel(area);
    m_status->setWordWrap(true);
    m_status->setAccessibleName(QStringLiteral("Status"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_status, 1);

    // The run at a glance: "37 of 50" in large type, its bar, its pace.
    m_progress = new QLabel(area);
    QFont large = m_progress->font();
    large.setBold(true);
    large.setPixelSize(QFontInfo(large).pixelSize() * kProgressTypeScale);
    m_progress->setFont(large);
    m_progress->setAccessibleName(QStringLiteral("Progress of the run"));
    m_progressBar = new QProgressBar(area);
    m_progressBar->setTextVisible(false);
    m_progressBar->setAccessibleName(QStringLiteral("Progress of the quantity"));
    m_progressBar->hide();
    m_pace = new QLabel(area);
    QFont pace = m_pace->font();
    pace.setPixelSize(QFontInfo(pace).pixelSize() * kPaceTypeScale);
    m_pace->setFont(pace);
    m_pace->setWordWrap(true);
    m_pace->setAccessibleName(QStringLiteral("Pace of the run"));
    auto* progress = new QHBoxLayout;
    progress->addWidget(m_progress);
    progress->addWidget(m_progressBar, 1);

    auto* tiles = new QWidget(area);
    m_tileGrid = new QGridLayout(tiles);
    auto* scroll = new QScrollArea(area);
    scroll->setWidget(tiles);
    scroll->setWidgetResizable(true);
    scroll->setAccessibleName(QStringLiteral("Ports of the run"));

    m_summary = new QLabel(area);
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_summary->setFocusPolicy(Qt::TabFocus);
    m_summary->setAccessibleName(QStringLiteral("Summary"));
    m_logTail = new QTableWidget(0, 4, area);
    m_logTail->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Port"),
                                          QStringLiteral("Label"), QStringLiteral("Result")});
    m_logTail->verticalHeader()->hide();
    m_logTail->horizontalHeader()->setStretchLastSection(true);
    m_logTail->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_logTail->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_logTail->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_logTail->setWordWrap(false);
    m_logTail->setFocusPolicy(Qt::StrongFocus);
    m_logTail->setAccessibleName(QStringLiteral("Last lines of the log"));
    m_logTail->setMaximumHeight(m_logTail->fontMetrics().lineSpacing() * (kLogLines + 4));
    m_report = new QLabel(area);
    m_report->setWordWrap(true);
    m_report->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_report->setAccessibleName(QStringLiteral("What the log adds up to"));

    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addLayout(progress);
    layout->addWidget(m_pace);
    layout->addWidget(scroll, 1);
    layout->addWidget(m_summary);
    layout->addWidget(m_report);
    layout->addWidget(m_logTail);
    return area;
}
