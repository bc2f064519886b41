#include "grid/GridEditor.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>

namespace {
// Overlay placement within the cell rectangle.
constexpr int kOverlayInset = 3;
constexpr int kEditTopInset = 3;
constexpr int kEditHeightLoss = 6;
constexpr int kListTopInset = 1;
constexpr int kListHeightLoss = 8;
constexpr int kOverlayWidthLoss = 6;
constexpr int kFocusFlagSet = 1;
constexpr int kCentred = CFlexGrid::kAlignCenterCenter;
constexpr int kPrintableAbove = 0x20;

// The character that a key types, as the keyboard translates it; 0 for none.
int TypedChar(const QKeyEvent& key)
{
    const QString text = key.text();
    if (!text.isEmpty())
        return text.at(0).unicode();
    return 0;
}
} // namespace

QColor CGridEditor::SystemWindowColor()
{
    return QApplication::palette().color(QPalette::Base);
}

QColor CGridEditor::SystemGreyText()
{
    return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
}

QColor CGridEditor::SystemButtonFace()
{
    return QApplication::palette().color(QPalette::Button);
}

CGridEditor::CGridEditor(QWidget* parent) : CFlexGrid(parent), m_windowColor(SystemWindowColor())
{
    m_modifierSource = [] { return QGuiApplication::keyboardModifiers(); };
    verticalScrollBar()->installEventFilter(this);
    horizontalScrollBar()->installEventFilter(this);
    connect(
        verticalScrollBar(), &QScrollBar::actionTriggered, this,
        [this](int) { OnScrollAction(Qt::Vertical); });
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int) { OnScrollAction(Qt::Horizontal); });
    connect(this, &CFlexGrid::Scroll, this, &CGridEditor::OnScroll);
}

CGridEditor::~CGridEditor()
{
    verticalScrollBar()->disconnect(this);
    horizontalScrollBar()->disconnect(this);
    disconnect(this, &CFlexGrid::Scroll, this, &CGridEditor::OnScroll);
}

void CGridEditor::SetModifierSource(std::function<Qt::KeyboardModifiers()> source)
{
    m_modifierSource = std::move(source);
}

Qt::KeyboardModifiers CGridEditor::Modifiers() const
{
    return m_modifierSource ? m_modifierSource() : Qt::KeyboardModifiers();
}

// ---- rows, columns, colours ----

void CGridEditor::NumberRows(int firstRow)
{
    SetColAlignment(0, kCentred);
    int number = 1;
    for (int row = firstRow; row < GetRows(); ++row)
        SetTextMatrix(row, 0, QString::number(number++));
    SetRow(GetFixedRows());
    SetCol(1);
}

void CGridEditor::SetupColumns(const std::vector<CColumnDesc>& columns, int headingRow, int count)
{
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const CColumnDesc& column = columns[static_cast<std::size_t>(i)];
        if ((count != 0 && i == count) || column.width == 0 || i == GetCols())
            break;
        SetRow(headingRow);
        SetCol(i);
        SetColAlignment(i, column.alignment);
        SetCellAlignment(kCentred);
        SetText(column.heading);
        SetColWidth(i, column.width * kTwipsPerPixel);
    }
    SetRow(headingRow + GetFixedRows());
    SetCol(GetFixedCols());
}

void CGridEditor::SetRowSelect(bool on)
{
    const int highLight = on ? kHighLightWithFocus : kHighLightNever;
    const int mode = on ? kSelectionByRow : kSelectionFree;
    if (GetHighLight() != highLight)
        SetHighLight(highLight);
    if (GetSelectionMode() != mode)
        SetSelectionMode(mode);
}

void CGridEditor::SetGreyLines()
{
    SetGridColor(FromQColor(SystemGreyText()));
}

void CGridEditor::SetScrollFocusMode(int mode)
{
    if (mode >= 0)
        m_scrollFocusMode = mode;
}

void CGridEditor::SetCellEnabledLook(int flag)
{
    const bool isDefault = GetCellBackColor() == kDefaultColor;
    if (flag == 1) {
        if (!isDefault) {
            SetCellBackColor(kDefaultColor);
            SetCellForeColor(kDefaultColor);
        }
    } else if (isDefault) {
        SetCellBackColor(FromQColor(SystemButtonFace()));
        SetCellForeColor(FromQColor(SystemGreyText()));
    }
}

// ---- paging and moving ----

bool CGridEditor::BringCellIntoView()
{
    GetCellTop();
    return true;
}

void CGridEditor::PageDown()
{
    const int pageRows = m_pageRows;
    const int entryRow = GetRow();
    if (GetTopRow() > entryRow)
        SetRow(GetTopRow());
    const int newTop = GetTopRow() + pageRows;
    if (newTop < GetRows())
        SetTopRow(newTop);
    if (entryRow >= newTop + pageRows) {
        SetRow(newTop);
        return;
    }
    if (entryRow >= newTop)
        return;
    if (GetTopRow() == newTop)
        SetRow(std::min(GetRow() + pageRows, GetRows() - 1));
    else if (GetTopRow() <= GetRow())
        SetRow(GetRows() - 1);
    else
        SetRow(GetTopRow());
}

void CGridEditor::PageUp()
{
    const int pageRows = m_pageRows;
    const int entryRow = GetRow();
    if (GetTopRow() > entryRow)
        SetRow(GetTopRow());
    const int newTop = std::max(GetTopRow() - pageRows, GetFixedRows());
    SetTopRow(newTop);
    if ((newTop < entryRow && entryRow < newTop + pageRows) || entryRow >= newTop + 2 * pageRows) {
        SetRow(newTop);
        return;
    }
    if (GetTopRow() == newTop)
        SetRow(std::max(GetRow() - pageRows, GetFixedRows()));
    else if (GetTopRow() >= GetRow())
        SetRow(GetFixedRows());
    else
        SetRow(GetTopRow());
}

bool CGridEditor::MoveNext(int step)
{
    const Qt::KeyboardModifiers modifiers = Modifiers();
    const bool held = (modifiers & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
    setFocus(Qt::OtherFocusReason);
    bool stays = true;
    if (!held) {
        const int cols = GetCols();
        if (GetCol() + step < cols) {
            SetCol(GetCol() + step);
            stays = false;
        } else if (cols > 1) {
            // Wraps past the first column, which numbers the rows; a grid
            // of that column alone has nowhere to wrap to.
            const int s = step + GetCol() - cols;
            const int r = GetRow() + s / (cols - 1) + 1;
            if (r < GetRows()) {
                SetCol(s % (cols - 1) + 1);
                SetRow(r);
                BringCellIntoView();
                stays = false;
            }
        }
    }
    if (stays || held)
        m_enterArmed = false;
    return true;
}

bool CGridEditor::HandleUpDown(int)
{
    if (Modifiers() & Qt::ShiftModifier) {
        if (GetCol() > 1)
            SetCol(1);
        SetRowSelect(true);
        return true;
    }
    SetRowSelect(false);
    return false;
}

bool CGridEditor::ListAcceptsKey(const QComboBox* list, const QKeyEvent& key) const
{
    const int typed = TypedChar(key);
    if (list == nullptr || typed <= kPrintableAbove)
        return false;
    const QString prefix(QChar(static_cast<char16_t>(typed)));
    for (int i = 0; i < list->count(); ++i)
        if (list->itemText(i).startsWith(prefix, Qt::CaseInsensitive))
            return true;
    return false;
}

void CGridEditor::TabOut()
{
    const bool shift = (Modifiers() & Qt::ShiftModifier) != 0;
    setFocus(Qt::OtherFocusReason);
    if (shift)
        InjectKey(Qt::Key_Backtab, Qt::ShiftModifier);
    else
        InjectKey(Qt::Key_Tab);
}

void CGridEditor::InjectKey(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr)
        target = this;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, modifiers));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, modifiers));
}

// ---- overlays ----

bool CGridEditor::PlaceOverlay(QWidget* editor, int kind, int topInset, int heightLoss)
{
    const int row = GetRow();
    const int col = GetCol();
    BringCellIntoView();
    if (editor == nullptr || row == 0 || col == 0)
        return false;
    m_overlay = editor;
    m_overlayKind = kind;
    CEdgeRect rect = CellRectFromCurrent();
    // The rectangle is in the coordinates of the grid's parent; the editor
    // is placed in those of its own parent, normally the same owner.
    const QWidget* host = editor->parentWidget();
    if (host != nullptr && parentWidget() != nullptr && host != parentWidget()) {
        const QPoint shift = host->mapFromGlobal(parentWidget()->mapToGlobal(QPoint(0, 0)));
        rect = {rect.left + shift.x(), rect.top + shift.y(), rect.right + shift.x(),
                rect.bottom + shift.y()};
    }
    editor->setGeometry(rect.left + kOverlayInset, rect.top + topInset,
                        rect.right - rect.left - kOverlayWidthLoss,
                        rect.bottom - rect.top - heightLoss);
    editor->show();
    editor->setEnabled(true);
    return true;
}

bool CGridEditor::OpenListEditor(QComboBox* list, const QString& text, int focusFlag,
                                 QWidget* /*owner*/)
{
    if (!PlaceOverlay(list, kOverlayList, kListTopInset, kListHeightLoss))
        return false;
    const int index = list->findText(text, Qt::MatchFixedString);
    if (index >= 0)
        list->setCurrentIndex(index);
    if (focusFlag == kFocusFlagSet)
        list->setFocus(Qt::OtherFocusReason);
    list->raise();
    return true;
}

bool CGridEditor::OpenEditEditor(QLineEdit* edit, const QString& text, int focusFlag,
                                 QWidget* /*owner*/)
{
    if (!PlaceOverlay(edit, kOverlayEdit, kEditTopInset, kEditHeightLoss))
        return false;
    edit->setText(text);
    if (focusFlag == kFocusFlagSet)
        edit->setFocus(Qt::OtherFocusReason);
    edit->raise();
    QMetaObject::invokeMethod(edit, &QLineEdit::selectAll, Qt::QueuedConnection);
    m_savedCellText = GetText();
    SetTextMatrix(GetRow(), GetCol(), QString());
    return true;
}

bool CGridEditor::CloseEditor(int clear)
{
    if (m_overlay == nullptr)
        return false;
    if (clear == 1) {
        if (auto* edit = qobject_cast<QLineEdit*>(m_overlay))
            edit->clear();
    }
    QWidget* overlay = m_overlay;
    m_overlay = nullptr;
    m_overlayKind = kOverlayNone;
    overlay->hide();
    overlay->setEnabled(false);
    return true;
}
