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
// The system's edge metrics: a sunken edge is 2 pixels wide and high.
constexpr int kEdgeWidth = 2;
constexpr int kEdgeHeight = 2;
// A cell rectangle grows by this much on every side.
constexpr int kCellRectGrowth = 2;
// Cell rectangles from a row and column sit this far inside the window.
constexpr int kCellRectOffset = 3;
// Counting the page rows widens the window by this much beyond the last column.
constexpr int kCountSlack = 2;
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

QColor SystemWindowColor()
{
    return QApplication::palette().color(QPalette::Base);
}

QColor SystemGreyText()
{
    return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
}

QColor SystemButtonFace()
{
    return QApplication::palette().color(QPalette::Button);
}

// The character that a key types, as the keyboard translates it; 0 for none.
int TypedChar(const QKeyEvent& key)
{
    const QString text = key.text();
    if (!text.isEmpty()) {
        return text.at(0).unicode();
    }
    return 0;
}
} // namespace

CGridEditor::CGridEditor(QWidget* parent) : CFlexGrid(parent), m_windowColor(SystemWindowColor())
{
    m_modifierSource = [] { return QGuiApplication::keyboardModifiers(); };
    verticalScrollBar()->installEventFilter(this);
    horizontalScrollBar()->installEventFilter(this);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int) { OnScrollAction(Qt::Vertical); });
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int) { OnScrollAction(Qt::Horizontal); });
    connect(this, &CFlexGrid::Scroll, this, &CGridEditor::OnScroll);
}

void CGridEditor::SetModifierSource(std::function<Qt::KeyboardModifiers()> source)
{
    m_modifierSource = std::move(source);
}

Qt::KeyboardModifiers CGridEditor::Modifiers() const
{
    return m_modifierSource ? m_modifierSource() : Qt::KeyboardModifiers();
}

// ---- operations that keep the window fitted ----

void CGridEditor::SetRows(int rows)
{
    CFlexGrid::SetRows(rows);
    if (m_pageRows == 0) {
        CountPageRows(0);
    }
    FitToContent();
}

void CGridEditor::SetRowHeight(int row, int twips)
{
    CFlexGrid::SetRowHeight(row, twips);
    CountPageRows(0);
    FitToContent();
}

void CGridEditor::SetRedraw(bool redraw)
{
    CFlexGrid::SetRedraw(redraw);
    CountPageRows(0);
    FitToContent();
}

void CGridEditor::SetColWidth(int col, int twips)
{
    CFlexGrid::SetColWidth(col, twips);
    m_scrollBarWidth = 0;
}

void CGridEditor::MoveWindow(const CEdgeRect& rect, bool repaint)
{
    PlaceWindow(rect);
    if (repaint) {
        update();
    }
    m_savedRect = WindowRect();
    m_scrollBarWidth = 0;
}

void CGridEditor::MoveWindow(int x, int y, int width, int height, bool repaint)
{
    MoveWindow(CEdgeRect{x, y, x + width, y + height}, repaint);
}

CEdgeRect CGridEditor::WindowRect() const
{
    const QRect g = geometry();
    return {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

void CGridEditor::PlaceWindow(const CEdgeRect& rect)
{
    setGeometry(rect.left, rect.top, std::max(rect.right - rect.left, 0),
                std::max(rect.bottom - rect.top, 0));
    LayoutNow();
}

int CGridEditor::ScrollBarMetric() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

// ---- rows, columns, colours ----

void CGridEditor::NumberRows(int firstRow)
{
    SetColAlignment(0, kCentred);
    int number = 1;
    for (int row = firstRow; row < GetRows(); ++row) {
        SetTextMatrix(row, 0, QString::number(number++));
    }
    SetRow(GetFixedRows());
    SetCol(1);
}

void CGridEditor::SetupColumns(const std::vector<CColumnDesc>& columns, int headingRow, int count)
{
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const CColumnDesc& column = columns[static_cast<std::size_t>(i)];
        if ((count != 0 && i == count) || column.width == 0 || i == GetCols()) {
            break;
        }
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
    if (GetHighLight() != highLight) {
        SetHighLight(highLight);
    }
    if (GetSelectionMode() != mode) {
        SetSelectionMode(mode);
    }
}

void CGridEditor::SetGreyLines()
{
    SetGridColor(FromQColor(SystemGreyText()));
}

void CGridEditor::SetScrollFocusMode(int mode)
{
    if (mode >= 0) {
        m_scrollFocusMode = mode;
    }
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

// ---- cell rectangles, page rows and fitting ----

CEdgeRect CGridEditor::CellRectFromCurrent()
{
    const int left = GetCellLeft();
    const int top = GetCellTop();
    const int width = GetCellWidth();
    const int height = GetCellHeight();
    const int dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    const int twipsPerPixel = std::max(kTwipsPerInch / dpi, 1);
    const QPoint origin = geometry().topLeft();
    CEdgeRect rect;
    rect.left = origin.x() + left / twipsPerPixel - kCellRectGrowth;
    rect.top = origin.y() + top / twipsPerPixel - kCellRectGrowth;
    rect.right = origin.x() + left / twipsPerPixel + width / twipsPerPixel + kCellRectGrowth;
    rect.bottom = origin.y() + top / twipsPerPixel + height / twipsPerPixel + kCellRectGrowth;
    return rect;
}

CEdgeRect CGridEditor::CellRectAt(int row, int col) const
{
    const int dpiX = logicalDpiX() > 0 ? logicalDpiX() : 96;
    const int dpiY = logicalDpiY() > 0 ? logicalDpiY() : 96;
    const int colPos = GetColPos(col);
    const int rowPos = GetRowPos(row);
    const QPoint origin = geometry().topLeft() + QPoint(kCellRectOffset, kCellRectOffset);
    CEdgeRect rect;
    rect.left = origin.x() + colPos * dpiX / kTwipsPerInch - kCellRectGrowth;
    rect.top = origin.y() + rowPos * dpiY / kTwipsPerInch - kCellRectGrowth;
    rect.right = origin.x() + (colPos + GetColWidth(col)) * dpiX / kTwipsPerInch + kCellRectGrowth;
    rect.bottom =
        origin.y() + (rowPos + GetRowHeight(row)) * dpiY / kTwipsPerInch + kCellRectGrowth;
    return rect;
}

void CGridEditor::CountPageRows(int number)
{
    if (number > 0) {
        m_pageRows = number;
        return;
    }
    const CEdgeRect r = HasSavedRect() ? m_savedRect : WindowRect();
    const CEdgeRect firstRow = CellRectAt(1, GetCols() - 1);
    PlaceWindow({r.left, r.top, r.left + ScrollBarMetric() + firstRow.right - r.left + kCountSlack,
                 r.bottom});

    const int top = GetTopRow();
    int i = top;
    while (i < GetRows() && GetRowIsVisible(i)) {
        ++i;
    }
    const CEdgeRect last = CellRectAt(i - 1, GetCols() - 1);
    if (!HasSavedRect() || m_pageRows == 0) {
        PlaceWindow(r);
    }
    int count = i - top;
    if (i != GetRows() || last.bottom >= r.bottom) {
        --count;
    }
    m_pageRows = std::max(count, 0);
}

void CGridEditor::FitToContent(QWidget*)
{
    if (m_pageRows == 0) {
        CountPageRows(0);
    }
    m_scrollBarWidth = ScrollBarMetric();
    const int allowance = m_pageRows < GetRows() - GetFixedRows() ? m_scrollBarWidth : 0;
    const CEdgeRect cell = CellRectAt(GetTopRow() + m_pageRows - 1, GetCols() - 1);
    if (!HasSavedRect()) {
        m_savedRect = WindowRect();
        m_scrollBarWidth = 0;
        m_savedRect.bottom = cell.bottom + kEdgeHeight;
    }
    PlaceWindow({m_savedRect.left, m_savedRect.top, cell.right + kEdgeWidth + allowance,
                 kEdgeHeight + cell.bottom});
    update();
}

CGridSizeChange CGridEditor::SizeChange() const
{
    const CEdgeRect now = WindowRect();
    return {m_savedRect.right - now.right, m_savedRect.bottom - now.bottom};
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
    if (GetTopRow() > entryRow) {
        SetRow(GetTopRow());
    }
    const int newTop = GetTopRow() + pageRows;
    if (newTop < GetRows()) {
        SetTopRow(newTop);
    }
    if (entryRow >= newTop + pageRows) {
        SetRow(newTop);
        return;
    }
    if (entryRow >= newTop) {
        return;
    }
    if (GetTopRow() == newTop) {
        SetRow(std::min(GetRow() + pageRows, GetRows() - 1));
    } else if (GetTopRow() <= GetRow()) {
        SetRow(GetRows() - 1);
    } else {
        SetRow(GetTopRow());
    }
}

void CGridEditor::PageUp()
{
    const int pageRows = m_pageRows;
    const int entryRow = GetRow();
    if (GetTopRow() > entryRow) {
        SetRow(GetTopRow());
    }
    const int newTop = std::max(GetTopRow() - pageRows, GetFixedRows());
    SetTopRow(newTop);
    if ((newTop < entryRow && entryRow < newTop + pageRows) || entryRow >= newTop + 2 * pageRows) {
        SetRow(newTop);
        return;
    }
    if (GetTopRow() == newTop) {
        SetRow(std::max(GetRow() - pageRows, GetFixedRows()));
    } else if (GetTopRow() >= GetRow()) {
        SetRow(GetFixedRows());
    } else {
        SetRow(GetTopRow());
    }
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
        } else {
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
    if (stays || held) {
        m_enterArmed = false;
    }
    return true;
}

bool CGridEditor::HandleUpDown(int)
{
    if (Modifiers() & Qt::ShiftModifier) {
        if (GetCol() > 1) {
            SetCol(1);
        }
        SetRowSelect(true);
        return true;
    }
    SetRowSelect(false);
    return false;
}

bool CGridEditor::ListAcceptsKey(const QComboBox* list, const QKeyEvent& key) const
{
    const int typed = TypedChar(key);
    if (list == nullptr || typed <= kPrintableAbove) {
        return false;
    }
    const QString prefix(QChar(static_cast<char16_t>(typed)));
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

void CGridEditor::TabOut()
{
    const bool shift = (Modifiers() & Qt::ShiftModifier) != 0;
    setFocus(Qt::OtherFocusReason);
    if (shift) {
        InjectKey(Qt::Key_Backtab, Qt::ShiftModifier);
    } else {
        InjectKey(Qt::Key_Tab);
    }
}

void CGridEditor::InjectKey(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) {
        target = this;
    }
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, modifiers));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, modifiers));
}

// ---- overlays ----

bool CGridEditor::PlaceOverlay(QWidget* editor, int kind, QWidget* owner, int topInset,
                               int heightLoss)
{
    const int row = GetRow();
    const int col = GetCol();
    BringCellIntoView();
    if (editor == nullptr || row == 0 || col == 0) {
        return false;
    }
    m_overlay = editor;
    m_overlayKind = kind;
    CEdgeRect rect = CellRectFromCurrent();
    const QWidget* host = owner != nullptr ? owner : editor->parentWidget();
    if (host != nullptr && host != parentWidget() && parentWidget() != nullptr) {
        const QPoint shift = parentWidget()->mapTo(host->window(), QPoint(0, 0)) -
                             host->mapTo(host->window(), QPoint(0, 0));
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
                                 QWidget* owner)
{
    if (!PlaceOverlay(list, kOverlayList, owner, kListTopInset, kListHeightLoss)) {
        return false;
    }
    const int index = list->findText(text, Qt::MatchFixedString);
    if (index >= 0) {
        list->setCurrentIndex(index);
    }
    if (focusFlag == kFocusFlagSet) {
        list->setFocus(Qt::OtherFocusReason);
    }
    list->raise();
    return true;
}

bool CGridEditor::OpenEditEditor(QLineEdit* edit, const QString& text, int focusFlag,
                                 QWidget* owner)
{
    if (!PlaceOverlay(edit, kOverlayEdit, owner, kEditTopInset, kEditHeightLoss)) {
        return false;
    }
    edit->setText(text);
    if (focusFlag == kFocusFlagSet) {
        edit->setFocus(Qt::OtherFocusReason);
    }
    edit->raise();
    QMetaObject::invokeMethod(edit, &QLineEdit::selectAll, Qt::QueuedConnection);
    m_savedCellText = GetText();
    SetTextMatrix(GetRow(), GetCol(), QString());
    return true;
}

bool CGridEditor::CloseEditor(int clear)
{
    if (m_overlay == nullptr) {
        return false;
    }
    if (clear == 1) {
        if (auto* edit = qobject_cast<QLineEdit*>(m_overlay)) {
            edit->clear();
        }
    }
    QWidget* overlay = m_overlay;
    m_overlay = nullptr;
    m_overlayKind = kOverlayNone;
    overlay->hide();
    overlay->setEnabled(false);
    return true;
}

// ---- the pre-filter ----

bool CGridEditor::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (PreFilterKey(key)) {
            return true;
        }
        if (m_ownerFilter != nullptr && m_ownerFilter->eventFilter(this, e)) {
            return true;
        }
    }
    return CFlexGrid::event(e);
}

bool CGridEditor::PreFilterKey(QKeyEvent* key)
{
    const int code = key->key();
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    if (code == Qt::Key_Return || code == Qt::Key_Enter) {
        if (key->type() == QEvent::KeyRelease) {
            if (!key->isAutoRepeat()) {
                m_enterArmed = true;
            }
            return false;
        }
        if (!m_enterArmed) {
            return true;
        }
        const bool lastCell = GetRow() == GetRows() - 1 && GetCol() == GetCols() - 1;
        if (lastCell || (modifiers & (Qt::ControlModifier | Qt::ShiftModifier))) {
            m_enterArmed = false;
        }
        return false;
    }
    if (key->type() != QEvent::KeyPress) {
        return false;
    }
    if ((code == Qt::Key_PageUp || code == Qt::Key_PageDown) && m_pageRows > 0 &&
        !(modifiers & Qt::ControlModifier)) {
        if (code == Qt::Key_PageUp) {
            PageUp();
        } else {
            PageDown();
        }
        SetRowSelect(false);
        return true;
    }
    if ((code == Qt::Key_Left || code == Qt::Key_Right) && m_arrowWrap &&
        !(modifiers & Qt::ShiftModifier)) {
        const int lastRow = GetRows() - 1;
        const int lastCol = GetCols() - 1;
        if (lastRow < 1 || lastCol < 1) {
            return false;
        }
        if (code == Qt::Key_Right && GetCol() == lastCol && GetRow() < lastRow) {
            SetCol(1);
            InjectKey(Qt::Key_Down);
            return true;
        }
        if (code == Qt::Key_Left && GetCol() == 1 && GetRow() > 1) {
            SetCol(lastCol);
            InjectKey(Qt::Key_Up);
            return true;
        }
    }
    return false;
}

bool CGridEditor::viewportEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(e);
        if (HandleWheel(wheel->angleDelta().y(), wheel->modifiers(),
                        wheel->globalPosition().toPoint())) {
            wheel->accept();
            return true;
        }
        break;
    }
    case QEvent::Paint:
        OnPaint();
        break;
    default:
        break;
    }
    return CFlexGrid::viewportEvent(e);
}

bool CGridEditor::HandleWheel(int delta, Qt::KeyboardModifiers modifiers, const QPoint& globalPos)
{
    const bool inside = rect().contains(mapFromGlobal(globalPos));
    if (!inside || m_pageRows >= GetRows() - GetFixedRows()) {
        return false;
    }
    const int wheel = static_cast<int16_t>(delta);
    const int step = (modifiers & Qt::ControlModifier) ? (wheel / -kWheelDeltaPerNotch) * m_pageRows
                                                       : wheel / -kWheelDeltaPerRow;
    int top = GetTopRow() + step;
    if (top < GetFixedRows()) {
        top = GetFixedRows();
    } else if (top >= GetRows() - GetFixedRows()) {
        top = GetRows() - GetFixedRows();
    }
    SetTopRow(top);
    viewport()->update();
    return true;
}

void CGridEditor::OnPaint()
{
    const QColor system = SystemWindowColor();
    if (system != m_windowColor) {
        SetBackColor(FromQColor(system));
        m_windowColor = system;
    }
    if (m_backgroundSeen == kDefaultColor) {
        SetGreyLines();
    }
    m_backgroundSeen = GetBackColor();
    if (m_pageRows == 0) {
        CountPageRows(0);
    }
    if (ScrollBarMetric() != m_scrollBarWidth && !m_fitPending) {
        // The window is not moved while it paints: the fit follows the paint.
        m_fitPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_fitPending = false;
                FitToContent();
            },
            Qt::QueuedConnection);
    }
}

// ---- scrolling, focus and the mouse ----

void CGridEditor::OnScrollAction(Qt::Orientation orientation)
{
    if (m_overlayKind == kOverlayNone) {
        return;
    }
    // The table stays put under the open editor.
    if (orientation == Qt::Vertical) {
        m_savedTopRow = GetTopRow();
        verticalScrollBar()->setSliderPosition(verticalScrollBar()->value());
    } else {
        m_savedLeftCol = GetLeftCol();
        horizontalScrollBar()->setSliderPosition(horizontalScrollBar()->value());
    }
}

void CGridEditor::OnScrollEnd(Qt::Orientation orientation)
{
    if (m_overlayKind == kOverlayNone) {
        return;
    }
    if (orientation == Qt::Vertical) {
        SetTopRow(m_savedTopRow);
    } else {
        SetLeftCol(m_savedLeftCol);
    }
    setFocus(Qt::OtherFocusReason);
}

void CGridEditor::OnScroll()
{
    if (m_scrollFocusMode == 1 && isEnabled() && isVisible() && m_overlayKind != kOverlayNone) {
        setFocus(Qt::OtherFocusReason);
    }
}

bool CGridEditor::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease) {
        if (watched == verticalScrollBar()) {
            OnScrollEnd(Qt::Vertical);
        } else if (watched == horizontalScrollBar()) {
            OnScrollEnd(Qt::Horizontal);
        }
    }
    return CFlexGrid::eventFilter(watched, e);
}

void CGridEditor::focusInEvent(QFocusEvent* e)
{
    m_enterArmed = true;
    CFlexGrid::focusInEvent(e);
}

void CGridEditor::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::MiddleButton) {
        bool onOverlay = false;
        if (m_overlay != nullptr && m_overlay->isVisible()) {
            const QPoint global = viewport()->mapToGlobal(e->position().toPoint());
            onOverlay = m_overlay->rect().contains(m_overlay->mapFromGlobal(global));
        }
        if (!onOverlay) {
            setFocus(Qt::MouseFocusReason);
        }
    }
    CFlexGrid::mousePressEvent(e);
}
