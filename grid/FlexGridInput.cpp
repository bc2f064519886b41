#include "grid/FlexGrid.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>

#include <algorithm>

// The current cell, the selection and the mouse.

// ---- current cell and selection ----

void CFlexGrid::SetRow(int row)
{
    if (row < 0 || row >= GetRows())
        return;
    const bool changed = row != m_row;
    m_row = row;
    m_rowSel = row;
    m_colSel = m_col;
    SyncCurrentIndex();
    if (changed)
        emit RowColChange();
}

void CFlexGrid::SetCol(int col)
{
    if (col < 0 || col >= GetCols())
        return;
    const bool changed = col != m_col;
    m_col = col;
    m_rowSel = m_row;
    m_colSel = col;
    SyncCurrentIndex();
    if (changed)
        emit RowColChange();
}

void CFlexGrid::SetRowSel(int row)
{
    if (row < 0 || row >= GetRows())
        return;
    m_rowSel = row;
    SyncSelection();
}

void CFlexGrid::SetColSel(int col)
{
    if (col < 0 || col >= GetCols())
        return;
    m_colSel = col;
    SyncSelection();
}

void CFlexGrid::SyncCurrentIndex()
{
    if (m_row < kFixed || m_col < kFixed || selectionModel() == nullptr) {
        viewport()->update();
        return;
    }
    m_quietCurrent = true;
    m_noAutoScroll = true;
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
    if (m_selectionMode == kSelectionByRow)
        flags |= QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(model()->index(m_row - kFixed, m_col - kFixed), flags);
    m_noAutoScroll = false;
    m_quietCurrent = false;
    viewport()->update();
}

void CFlexGrid::SyncSelection()
{
    const int top = std::max(std::min(m_row, m_rowSel), kFixed) - kFixed;
    const int bottom = std::max(m_row, m_rowSel) - kFixed;
    const int left = std::max(std::min(m_col, m_colSel), kFixed) - kFixed;
    const int right = std::max(m_col, m_colSel) - kFixed;
    if (bottom < 0 || right < 0 || selectionModel() == nullptr)
        return;
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
    if (m_selectionMode == kSelectionByRow)
        flags |= QItemSelectionModel::Rows;
    const QItemSelection range(model()->index(top, left), model()->index(bottom, right));
    selectionModel()->select(range, flags);
    viewport()->update();
}

bool CFlexGrid::IsSelected(int row, int col) const
{
    if (row < kFixed || col < kFixed || selectionModel() == nullptr)
        return false;
    return selectionModel()->isSelected(model()->index(row - kFixed, col - kFixed));
}

void CFlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableWidget::currentChanged(current, previous);
    if (m_quietCurrent || !current.isValid())
        return;
    const int row = current.row() + kFixed;
    const int col = current.column() + kFixed;
    if (row == m_row && col == m_col)
        return;
    m_row = row;
    m_col = col;
    m_rowSel = row;
    m_colSel = col;
    viewport()->update();
    emit RowColChange();
}

void CFlexGrid::SetHighLight(int mode)
{
    m_highLight = mode;
    viewport()->update();
}

void CFlexGrid::SetSelectionMode(int mode)
{
    m_selectionMode = mode;
    setSelectionBehavior(mode == kSelectionByRow ? SelectRows : SelectItems);
    SyncCurrentIndex();
}

void CFlexGrid::SetRedraw(bool redraw)
{
    m_redraw = redraw;
    setUpdatesEnabled(redraw);
    if (redraw) {
        updateGeometries();
        viewport()->update();
    }
}

// ---- mouse ----

QPoint CFlexGrid::ControlPos(const QWidget* from, const QPoint& pos) const
{
    return from == this ? pos : from->mapTo(this, pos);
}

int CFlexGrid::CellRowAt(int y) const
{
    const int inside = y - frameWidth();
    if (inside < 0)
        return -1;
    if (inside < horizontalHeader()->maximumHeight())
        return 0;
    const int row = rowAt(inside - horizontalHeader()->maximumHeight());
    return row < 0 ? -1 : row + kFixed;
}

int CFlexGrid::CellColAt(int x) const
{
    const int inside = x - frameWidth();
    if (inside < 0)
        return -1;
    if (inside < verticalHeader()->maximumWidth())
        return 0;
    const int col = columnAt(inside - verticalHeader()->maximumWidth());
    return col < 0 ? -1 : col + kFixed;
}

void CFlexGrid::NoteMouse(const QPoint& posInControl)
{
    m_mousePos = posInControl;
}

int CFlexGrid::GetMouseRow() const
{
    return m_mousePos.y() < 0 ? -1 : CellRowAt(m_mousePos.y());
}

int CFlexGrid::GetMouseCol() const
{
    return m_mousePos.x() < 0 ? -1 : CellColAt(m_mousePos.x());
}

namespace {
int16_t ButtonValue(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return CFlexGrid::kButtonLeft;
    case Qt::RightButton:
        return CFlexGrid::kButtonRight;
    case Qt::MiddleButton:
        return CFlexGrid::kButtonMiddle;
    default:
        return 0;
    }
}

int16_t ShiftValue(Qt::KeyboardModifiers modifiers)
{
    int16_t shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= CFlexGrid::kShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= CFlexGrid::kCtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= CFlexGrid::kAltMask;
    return shift;
}
} // namespace

bool CFlexGrid::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        NoteMouse(ControlPos(viewport(), mouse->position().toPoint()));
    }
    return QTableWidget::viewportEvent(event);
}

void CFlexGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = ControlPos(viewport(), event->position().toPoint());
    NoteMouse(pos);
    QTableWidget::mousePressEvent(event);
    emit MouseDown(ButtonValue(event->button()), ShiftValue(event->modifiers()),
                   PixelsToTwipsX(pos.x() - frameWidth()), PixelsToTwipsY(pos.y() - frameWidth()));
}

void CFlexGrid::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = ControlPos(viewport(), event->position().toPoint());
    NoteMouse(pos);
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && CellRowAt(pos.y()) >= 0 && CellColAt(pos.x()) >= 0)
        emit Click();
}

bool CFlexGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cornerButton && event->type() == QEvent::Paint) {
        PaintCorner();
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool header =
        widget != nullptr &&
        (widget == horizontalHeader() || widget == verticalHeader() ||
         widget == horizontalHeader()->viewport() || widget == verticalHeader()->viewport());
    if (header) {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress ||
            type == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint pos = ControlPos(widget, mouse->position().toPoint());
            NoteMouse(pos);
            if (type == QEvent::MouseButtonPress) {
                emit MouseDown(ButtonValue(mouse->button()), ShiftValue(mouse->modifiers()),
                               PixelsToTwipsX(pos.x() - frameWidth()),
                               PixelsToTwipsY(pos.y() - frameWidth()));
            }
        }
    }
    return QTableWidget::eventFilter(watched, event);
}
