#include "ui/port/ComPortDlg.h"

#include "text/TextCatalog.h"
#include "ui/port/PortNaming.h"
#include "ui/port/PortProbe.h"
#include "ui/port/PortWatcher.h"
#include "ui/shared/DialogUnits.h"
#include "ui/shared/WindowTexts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Layout in dialog units.
constexpr int kDialogWidth = 243;
constexpr int kDialogHeight = 120;
constexpr QRect kGroupBoxRect(7, 5, 229, 86);
constexpr QRect kOkRect(7, 98, 55, 15);
constexpr QRect kCancelRect(68, 98, 55, 15);

constexpr int kPortsPerColumn = 5;
constexpr int kPortRows[kPortsPerColumn] = {21, 34, 47, 60, 73};
constexpr int kPortColumns[] = {25, 76, 127, 181};
constexpr int kNarrowPortWidth = 35;
constexpr int kWidePortWidth = 49;
constexpr int kPortHeight = 15;
constexpr int kFirstWidePort = 10;
constexpr int kColumnGap = 2;

constexpr int kSettleMs = 50; // before each port of a refresh

QRect PortButtonRect(int number)
{
    const int index = number - CComPortDlg::kFirstPort;
    const int width = number >= kFirstWidePort ? kWidePortWidth : kNarrowPortWidth;
    return QRect(kPortColumns[index / kPortsPerColumn], kPortRows[index % kPortsPerColumn], width,
                 kPortHeight);
}

// Room up to the next column (or the frame's inner edge), so that a style
// with a wider indicator than the platform's can still show the whole name.
int PortButtonRoom(int number)
{
    const int column = (number - CComPortDlg::kFirstPort) / kPortsPerColumn;
    constexpr int kColumnCount = sizeof kPortColumns / sizeof kPortColumns[0];
    const int limit = column + 1 < kColumnCount ? kPortColumns[column + 1]
                                                : kGroupBoxRect.x() + kGroupBoxRect.width();
    return limit - kPortColumns[column] - kColumnGap;
}

bool IsTabStop(int number)
{
    return (number - CComPortDlg::kFirstPort) % kPortsPerColumn == 0;
}

// The wait cursor for the life of the object; the previous one comes back
// after it (the arrow when there was none).
class CWaitCursor
{
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace

CComPortDlg::CComPortDlg(IPortProbe& ports, const CTextCatalog& texts, QWidget* parent)
    : QDialog(parent), m_ports(ports), m_texts(texts), m_savedPort(ports.PortNumber())
{
    CreateControls();
    ProbePorts();
}

void CComPortDlg::CreateControls()
{
    const CDialogUnits units(font());
    // A caption bar with the system menu and the close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    SetDialogCaption(*this, m_texts, kDialogId);
    setFixedSize(units.ToPixelsX(kDialogWidth), units.ToPixelsY(kDialogHeight));

    // The frame is drawn behind the buttons, which belong to the dialog.
    m_groupBox = new QGroupBox(CatalogText(m_texts, kGroupBoxId), this);
    m_groupBox->setGeometry(units.ToPixels(kGroupBoxRect));

    m_portGroup = new QButtonGroup(this);
    m_portGroup->setExclusive(true);
    for (int number = kFirstPort; number < kFirstPort + kPortCount; ++number) {
        auto* button = new QRadioButton(QStringLiteral("COM%1").arg(number), this);
        QRect area = units.ToPixels(PortButtonRect(number));
        const int room = units.ToPixelsX(PortButtonRoom(number));
        area.setWidth(qBound(area.width(), button->sizeHint().width(), room));
        button->setGeometry(area);
        // Tab reaches the top of each column; the arrows move through all.
        button->setFocusPolicy(IsTabStop(number) ? Qt::StrongFocus : Qt::ClickFocus);
        m_portGroup->addButton(button, number);
        m_portButtons[number - kFirstPort] = button;
    }

    m_okButton = new QPushButton(this);
    m_okButton->setGeometry(units.ToPixels(kOkRect));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &CComPortDlg::accept);

    m_cancelButton = new QPushButton(this);
    m_cancelButton->setGeometry(units.ToPixels(kCancelRect));
    connect(m_cancelButton, &QPushButton::clicked, this, &CComPortDlg::reject);
    SetStandardButtonTexts(m_texts, m_okButton, m_cancelButton);
}

QRadioButton* CComPortDlg::PortButton(int number) const
{
    if (number < kFirstPort || number >= kFirstPort + kPortCount)
        return nullptr;
    return m_portButtons[number - kFirstPort];
}

bool CComPortDlg::ProbeOne(int number)
{
    m_ports.SetPortNumber(number);
    if (!m_ports.Open())
        return false;
    const bool usable = m_ports.IsRs232();
    m_ports.Close();
    return usable;
}

void CComPortDlg::ShowDeviceNames()
{
    if (!kPortNumbersNameDevices)
        return;
    for (int number = kFirstPort; number < kFirstPort + kPortCount; ++number)
        PortButton(number)->setToolTip(QString::fromLocal8Bit(m_ports.DeviceName(number).c_str()));
}

void CComPortDlg::ProbePorts()
{
    m_ports.NumberPorts();
    for (int number = kFirstPort; number < kFirstPort + kPortCount; ++number) {
        QRadioButton* button = PortButton(number);
        if (!ProbeOne(number)) {
            button->setEnabled(false);
            continue;
        }
        if (number == m_savedPort)
            button->setChecked(true);
    }
    m_ports.SetPortNumber(m_savedPort);
    ShowDeviceNames();
}

void CComPortDlg::RefreshPorts()
{
    const CWaitCursor waitCursor;
    m_ports.NumberPorts();
    for (int number = kFirstPort; number < kFirstPort + kPortCount; ++number) {
        m_ports.SetPortNumber(number);
        m_ports.Pause(kSettleMs);
        QRadioButton* button = PortButton(number);
        const bool usable = ProbeOne(number);
        button->setEnabled(usable);
        if (usable && number == m_savedPort)
            button->setChecked(true);
    }
    m_ports.SetPortNumber(m_savedPort);
    ShowDeviceNames();
}

void CComPortDlg::WatchPorts(IPortWatcher& watcher)
{
    connect(&watcher, &IPortWatcher::PortsChanged, this, &CComPortDlg::RefreshPorts);
}

void CComPortDlg::accept()
{
    if (QAbstractButton* selected = m_portGroup->checkedButton())
        m_ports.SetPortNumber(m_portGroup->id(selected));
    QDialog::accept();
}

bool CComPortDlg::event(QEvent* event)
{
    if (event->type() == kRefreshPortsEvent) {
        RefreshPorts();
        return true;
    }
    return QDialog::event(event);
}
