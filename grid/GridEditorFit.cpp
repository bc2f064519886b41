#include "grid/GridEditor.h"

#include <QStyle>

#include <algorithm>

// Keeping the table window fitted to its rows and columns.

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
// Resolution assumed when the screen reports none.
} // namespace

// ---- operations that keep the window fitted ----

void CGridEditor::SetRows(int rows)
{
    CFlexGrid::SetRows(rows);
    if (m_pageRows == 0)
        CountPageRows(0);
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
    if (repaint)
        update();
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

// ---- cell rectangles, page rows and fitting ----

CEdgeRect CGridEditor::CellRectFromCurrent()
{
    const int left = GetCellLeft();
    const int top = GetCellTop();
    const int width = GetCellWidth();
    const int height = GetCellHeight();
    const int dpi = logicalDpiY() > 0 ? logicalDpiY() : kDefaultDpi;
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
    const int dpiX = logicalDpiX() > 0 ? logicalDpiX() : kDefaultDpi;
    const int dpiY = logicalDpiY() > 0 ? logicalDpiY() : kDefaultDpi;
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
    while (i < GetRows() && GetRowIsVisible(i))
        ++i;
    const CEdgeRect last = CellRectAt(i - 1, GetCols() - 1);
    if (!HasSavedRect() || m_pageRows == 0)
        PlaceWindow(r);
    int count = i - top;
    if (i != GetRows() || last.bottom >= r.bottom)
        --count;
    m_pageRows = std::max(count, 0);
}

void CGridEditor::FitToContent(QWidget*)
{
    if (m_pageRows == 0)
        CountPageRows(0);
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
