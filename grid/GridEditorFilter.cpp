#include "grid/GridEditor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

// The pre-filter that sees every message of the table before it is
// dispatched, and the table's scroll, focus and mouse handling.

// ---- the pre-filter ----

bool CGridEditor::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (PreFilterKey(key))
            return true;
        if (m_ownerFilter != nullptr && m_ownerFilter->eventFilter(this, e))
            return true;
    }
    return CFlexGrid::event(e);
}

bool CGridEditor::PreFilterKey(QKeyEvent* key)
{
    const int code = key->key();
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    if (code == Qt::Key_Return || code == Qt::Key_Enter) {
        if (key->type() == QEvent::KeyRelease) {
            if (!key->isAutoRepeat())
                m_enterArmed = true;
            return false;
        }
        if (!m_enterArmed)
            return true;
        const bool lastCell = GetRow() == GetRows() - 1 && GetCol() == GetCols() - 1;
        if (lastCell || (modifiers & (Qt::ControlModifier | Qt::ShiftModifier)))
            m_enterArmed = false;
        return false;
    }
    if (key->type() != QEvent::KeyPress)
        return false;
    if ((code == Qt::Key_PageUp || code == Qt::Key_PageDown) && m_pageRows > 0 &&
        !(modifiers & Qt::ControlModifier)) {
        if (code == Qt::Key_PageUp)
            PageUp();
        else
            PageDown();
        SetRowSelect(false);
        return true;
    }
    if ((code == Qt::Key_Left || code == Qt::Key_Right) && m_arrowWrap &&
        !(modifiers & Qt::ShiftModifier)) {
        const int lastRow = GetRows() - 1;
        const int lastCol = GetCols() - 1;
        if (lastRow < 1 || lastCol < 1)
            return false;
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
    if (!inside || m_pageRows >= GetRows() - GetFixedRows())
        return false;
    const int wheel = static_cast<int16_t>(delta);
    const int step = (modifiers & Qt::ControlModifier) ? (wheel / -kWheelDeltaPerNotch) * m_pageRows
                                                       : wheel / -kWheelDeltaPerRow;
    int top = GetTopRow() + step;
    if (top < GetFixedRows())
        top = GetFixedRows();
    else if (top >= GetRows() - GetFixedRows())
        top = GetRows() - GetFixedRows();
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
    if (m_backgroundSeen == kDefaultColor)
        SetGreyLines();
    m_backgroundSeen = GetBackColor();
    if (m_pageRows == 0)
        CountPageRows(0);
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
    if (m_overlayKind == kOverlayNone)
        return;
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
    if (m_overlayKind == kOverlayNone)
        return;
    if (orientation == Qt::Vertical)
        SetTopRow(m_savedTopRow);
    else
        SetLeftCol(m_savedLeftCol);
    setFocus(Qt::OtherFocusReason);
}

void CGridEditor::OnScroll()
{
    if (m_scrollFocusMode == 1 && isEnabled() && isVisible() && m_overlayKind != kOverlayNone)
        setFocus(Qt::OtherFocusReason);
}

bool CGridEditor::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease) {
        if (watched == verticalScrollBar())
            OnScrollEnd(Qt::Vertical);
        else if (watched == horizontalScrollBar())
            OnScrollEnd(Qt::Horizontal);
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
        if (!onOverlay)
            setFocus(Qt::MouseFocusReason);
    }
    CFlexGrid::mousePressEvent(e);
}
