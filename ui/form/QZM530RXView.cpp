#include "ui/form/QZM530RXView.h"

#include "core/ConfigStore.h"
#include "grid/GridEditor.h"
#include "link/MicLink.h"
#include "link/Transfer.h"
#include "text/MessageStyle.h"
#include "text/TextCatalog.h"
#include "ui/frame/HelpDocument.h"
#include "ui/memmap/MemoryMapDlg.h"
#include "ui/port/ComPortDlg.h"
#include "ui/port/MicLinkPortProbe.h"
#include "ui/port/PortWatcher.h"
#include "ui/shared/ListAccessible.h"
#include "ui/shared/PortIcon.h"
#include "ui/shared/WindowTexts.h"
#include "ui/transfer/TransferDlg.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

// The form's construction, its first display and its buttons.

namespace {

// Check boxes are as wide as their caption's first line and this much more
// for the box and its spacing.
constexpr int kCheckBoxExtra = 21;
constexpr const char* kPortLabelFormat = " COM%1";

// The preset table: two columns, a heading row and five preset rows.
constexpr int kTableCols = 2;
constexpr int kTableRows = 1 + kPresetRowCount;
constexpr int kNumberColumnWidth = 40;
constexpr int kEnvironmentColumnWidth = 140;
constexpr int kHeadingRow = 0;
constexpr int kFirstNumberedRow = 1;
constexpr int kScrollFocusToTable = 1;
// The table's edges and the room that fitting leaves below the last row.
constexpr int kTableFitMargin = 8;
constexpr std::size_t kImageBytes = CConfigStore::kImageSize;

constexpr Qt::WindowStates kNotNormal = Qt::WindowMaximized | Qt::WindowFullScreen;

// Sets a control's caption, whatever kind of control shows it.
void SetCaption(QWidget* widget, const QString& text)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
}

} // namespace

CQZM530RXView::CQZM530RXView(const CViewParts& parts, QWidget* parent)
    : QWidget(parent), m_store(parts.store), m_texts(parts.texts), m_boxes(parts.boxes),
      m_link(parts.link)
{
    // Before any control exists: a list's accessible interface is made once.
    UseListAccessible();
    for (const CFormValueDef* value = FormValuesBegin(); value != FormValuesEnd(); ++value) {
        m_values[static_cast<std::size_t>(value - FormValuesBegin())] =
            InitialFormValue(value->kind);
    }
    CreateControls();
}

CQZM530RXView::~CQZM530RXView()
{
    // The controls go after this object: nothing they raise while they are
    // destroyed (a focus change, a signal) may reach it.
    removeEventFilter(this);
    m_table->SetOwnerKeyFilter(nullptr);
    for (const CControl& control : m_controls) {
        control.widget->removeEventFilter(this);
        control.widget->disconnect(this);
    }
}

QSize CQZM530RXView::sizeHint() const
{
    return minimumSize();
}

QWidget* CQZM530RXView::Control(int id) const
{
    for (const CControl& control : m_controls)
        if (control.def->id == id)
            return control.widget;
    return nullptr;
}

QCheckBox* CQZM530RXView::CheckBox(int id) const
{
    return qobject_cast<QCheckBox*>(Control(id));
}

QComboBox* CQZM530RXView::List(int id) const
{
    return qobject_cast<QComboBox*>(Control(id));
}

QLabel* CQZM530RXView::PortLabel() const
{
    return qobject_cast<QLabel*>(Control(FormId::kPortLabel));
}

int CQZM530RXView::ControlValue(int id) const
{
    const int index = FormValueIndex(id);
    return index >= 0 ? m_values[static_cast<std::size_t>(index)] : 0;
}

// ---- first display ----

void CQZM530RXView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_firstDisplayDone) {
        m_firstDisplayDone = true;
        FirstDisplay();
    }
}

void CQZM530RXView::FirstDisplay()
{
    FitFrame();
    ApplyCatalogTexts();
    m_store.Reset();
    auto* portButton = qobject_cast<QPushButton*>(Control(FormId::kPortButton));
    portButton->setIcon(PortIcon(portButton->palette().color(QPalette::ButtonText)));
    SetCheckBoxWidths();
    FillLists();
    SetUpPresetTable();
    NameControls();
    ConfigureMemoryMap();
    Refresh();
    ApplyVisibility();
    ShowPortNumber();
}

void CQZM530RXView::FitFrame()
{
    QWidget* frame = window();
    if (frame == this)
        return;
    if (frame->layout() != nullptr)
        frame->layout()->activate();
    // The frame fits the form; it may shrink, never grow.
    const QSize fitted = frame->size().boundedTo(frame->sizeHint());
    const Qt::WindowStates state = frame->windowState();
    if (state & kNotNormal) {
        // The normal size is the one to fit; the window stays as it is shown.
        frame->setWindowState(state & ~kNotNormal);
        frame->resize(fitted);
        frame->setWindowState(state);
    } else {
        frame->resize(fitted);
    }
}

void CQZM530RXView::ApplyCatalogTexts()
{
    for (const CControl& control : m_controls) {
        const QString text = CatalogText(m_texts, control.def->id);
        if (!text.isEmpty())
            SetCaption(control.widget, text);
    }
}

void CQZM530RXView::SetCheckBoxWidths()
{
    for (const CFormValueDef* value = FormValuesBegin(); value != FormValuesEnd(); ++value) {
        QCheckBox* box = value->kind == FormValueKind::Switch ? CheckBox(value->id) : nullptr;
        if (box == nullptr || box->text().isEmpty())
            continue;
        const QString firstLine = box->text().section(QLatin1Char('\n'), 0, 0);
        const int width = QFontMetrics(box->font()).horizontalAdvance(firstLine) + kCheckBoxExtra;
        QRect place = box->geometry();
        if (box->layoutDirection() == Qt::RightToLeft) {
            place.setLeft(place.right() + 1 -
                          width); // the text is on the left: the left edge moves
        } else {
            place.setWidth(width);
        }
        box->setGeometry(place);
    }
}

void CQZM530RXView::FillLists()
{
    for (const CControl& control : m_controls)
        if (control.def->kind == FormControlKind::List)
            FillList(control.def->id);
}

void CQZM530RXView::FillList(int id)
{
    QComboBox* list = List(id);
    list->clear();
    for (const COption& option : m_store.GetOptions(id))
        list->addItem(QString::fromLatin1(option.text.c_str()), option.value);
}

void CQZM530RXView::SetUpPresetTable()
{
    m_table->SetCols(kTableCols);
    // The template's height holds the heading and the five rows in the font
    // the form was drawn with; where the table's rows come out taller, the
    // table gets the room they need, so that no row hides behind a scroll bar.
    const int rowsHeight = m_table->TwipsToPixelsY(m_table->GetRowHeight(kHeadingRow)) +
                           kPresetRowCount * m_table->TwipsToPixelsY(m_table->GetRowHeight(1));
    if (m_table->height() < rowsHeight + kTableFitMargin)
        m_table->resize(m_table->width(), rowsHeight + kTableFitMargin);
    m_table->SetRows(kTableRows);
    m_table->NumberRows(kFirstNumberedRow);
    const std::vector<CColumnDesc> columns = {
        {CatalogText(m_texts, TextId::kGridNumber), kNumberColumnWidth,
         CFlexGrid::kAlignCenterCenter},
        {CatalogText(m_texts, FormId::kPresetGroup), kEnvironmentColumnWidth,
         CFlexGrid::kAlignCenterCenter},
    };
    m_table->SetupColumns(columns, kHeadingRow, 0);
    m_table->SetRowSelect(false);
    m_table->FitToContent(this);
    m_table->SetScrollFocusMode(kScrollFocusToTable);
    m_table->SetGreyLines();
}

void CQZM530RXView::ConfigureMemoryMap()
{
    m_memoryMapConfigured = true;
    if (m_memoryMap)
        m_memoryMap->Configure(m_store.WorkingImage(), m_store.TransferCopy(), kImageBytes, true,
                               true, std::string());
}

CMemoryMapDlg* CQZM530RXView::MemoryMap()
{
    if (!m_memoryMap) {
        m_memoryMap = new CMemoryMapDlg(&m_texts, this);
        if (m_memoryMapConfigured)
            ConfigureMemoryMap();
    }
    return m_memoryMap;
}

void CQZM530RXView::ApplyVisibility()
{
    for (const CControl& control : m_controls) {
        const int id = control.def->id;
        const bool hidden = id == SettingId::kHighSpeedFollow || PresetRowOfList(id) != 0;
        control.widget->setVisible(!hidden);
    }
}

void CQZM530RXView::ShowPortNumber()
{
    PortLabel()->setText(QString::fromLatin1(kPortLabelFormat).arg(m_link.GetPortNumber()));
}

// ---- buttons ----

void CQZM530RXView::OnRead()
{
    if (!AskTransfer(m_boxes, static_cast<QWidget*>(this), TransferMode::Read))
        return;
    CTransferDlg dialog(TransferMode::Read, m_link, m_store, m_texts, m_boxes, window());
    dialog.Run();
    // Whatever the outcome: a failed read leaves the image as it was.
    Refresh();
}

void CQZM530RXView::OnWrite()
{
    if (!AskTransfer(m_boxes, static_cast<QWidget*>(this), TransferMode::Write))
        return;
    CTransferDlg dialog(TransferMode::Write, m_link, m_store, m_texts, m_boxes, window());
    dialog.Run();
}

void CQZM530RXView::OnMemoryMap()
{
    if (MemoryMap()->Run() == MessageAnswer::kOk)
        Refresh();
}

void CQZM530RXView::OnHelp()
{
    HelpDocument::OpenHelp();
}

void CQZM530RXView::OnExit()
{
    emit exitRequested();
}

void CQZM530RXView::OnComPort()
{
    CMicLinkPortProbe probe(m_link);
    CComPortDlg dialog(probe, m_texts, window());
    // Watching only while the dialog is open.
    const std::unique_ptr<IPortWatcher> watcher = CreateSystemPortWatcher();
    if (watcher)
        dialog.WatchPorts(*watcher);
    dialog.exec();
    // Confirmed or cancelled, the label shows the link's port.
    ShowPortNumber();
}
