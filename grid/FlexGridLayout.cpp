#include "grid/FlexGrid.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

// Scrolling, sizes and positions of the grid.

// ---- scrolling ----

int CFlexGrid::GetTopRow() const
{
    return verticalScrollBar()->value() + kFixed;
}

void CFlexGrid::SetTopRow(int row)
{
    LayoutNow();
    verticalScrollBar()->setValue(std::max(row, kFixed) - kFixed);
}

int CFlexGrid::GetLeftCol() const
{
    return horizontalScrollBar()->value() + kFixed;
}

void CFlexGrid::SetLeftCol(int col)
{
    LayoutNow();
    horizontalScrollBar()->setValue(std::max(col, kFixed) - kFixed);
}

void CFlexGrid::scrollContentsBy(int dx, int dy)
{
    QTableWidget::scrollContentsBy(dx, dy);
    AlignToTopRow();
}

void CFlexGrid::updateGeometries()
{
    QTableWidget::updateGeometries();
    AlignToTopRow();
}

void CFlexGrid::AlignToTopRow()
{
    // The first row in view starts at the top edge also when the view is
    // scrolled to its end; the space below the last row stays empty.
    bool moved = false;
    const int top = verticalScrollBar()->value();
    if (top < rowCount() && verticalHeader()->offset() != verticalHeader()->sectionPosition(top)) {
        verticalHeader()->setOffset(verticalHeader()->sectionPosition(top));
        moved = true;
    }
    const int left = horizontalScrollBar()->value();
    if (left < columnCount() &&
        horizontalHeader()->offset() != horizontalHeader()->sectionPosition(left)) {
        horizontalHeader()->setOffset(horizontalHeader()->sectionPosition(left));
        moved = true;
    }
    if (moved)
        viewport()->update();
}

void CFlexGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!m_noAutoScroll)
        QTableWidget::scrollTo(index, hint);
}

void CFlexGrid::ScrollCurrentIntoView()
{
    LayoutNow();
    const int row = std::max(m_row, kFixed) - kFixed;
    const int col = std::max(m_col, kFixed) - kFixed;
    if (row >= rowCount() || col >= columnCount())
        return;
    const QModelIndex index = model()->index(row, col);
    QTableWidget::scrollTo(index, EnsureVisible);
}

void CFlexGrid::keyboardSearch(const QString&)
{
    // The grid does not jump to cells by their text.
}

// ---- sizes and positions ----

int CFlexGrid::PixelsToTwipsX(int pixels) const
{
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : kDefaultDpi;
    return pixels * kTwipsPerInch / dpi;
}

int CFlexGrid::PixelsToTwipsY(int pixels) const
{
    const int dpi = logicalDpiY() > 0 ? logicalDpiY() : kDefaultDpi;
    return pixels * kTwipsPerInch / dpi;
}

int CFlexGrid::TwipsToPixelsX(int twips) const
{
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : kDefaultDpi;
    return twips * dpi / kTwipsPerInch;
}

int CFlexGrid::TwipsToPixelsY(int twips) const
{
    const int dpi = logicalDpiY() > 0 ? logicalDpiY() : kDefaultDpi;
    return twips * dpi / kTwipsPerInch;
}

int CFlexGrid::GetColWidth(int col) const
{
    if (col < 0 || col >= GetCols())
        return 0;
    const int pixels = col < kFixed ? verticalHeader()->maximumWidth()
                                    : horizontalHeader()->sectionSize(col - kFixed);
    return PixelsToTwipsX(pixels);
}

void CFlexGrid::SetColWidth(int col, int twips)
{
    const int pixels = TwipsToPixelsX(std::max(twips, 0));
    if (col < 0) {
        horizontalHeader()->setDefaultSectionSize(pixels);
        verticalHeader()->setFixedWidth(pixels);
    } else if (col < kFixed) {
        verticalHeader()->setFixedWidth(pixels);
    } else if (col < GetCols()) {
        horizontalHeader()->resizeSection(col - kFixed, pixels);
    }
    UpdateLayout();
}

int CFlexGrid::GetRowHeight(int row) const
{
    if (row < 0 || row >= GetRows())
        return 0;
    const int pixels = row < kFixed ? horizontalHeader()->maximumHeight()
                                    : verticalHeader()->sectionSize(row - kFixed);
    return PixelsToTwipsY(pixels);
}

void CFlexGrid::SetRowHeight(int row, int twips)
{
    const int pixels = TwipsToPixelsY(std::max(twips, 0));
    if (row < 0) {
        verticalHeader()->setDefaultSectionSize(pixels);
        horizontalHeader()->setFixedHeight(pixels);
    } else if (row < kFixed) {
        horizontalHeader()->setFixedHeight(pixels);
    } else if (row < GetRows()) {
        verticalHeader()->resizeSection(row - kFixed, pixels);
    }
    UpdateLayout();
}

bool CFlexGrid::GetRowIsVisible(int row) const
{
    if (row < 0 || row >= GetRows())
        return false;
    if (row < kFixed)
        return true;
    if (row < GetTopRow())
        return false;
    const int top = rowViewportPosition(row - kFixed);
    return top >= 0 && top < viewport()->height();
}

int CFlexGrid::GetRowPos(int row) const
{
    int pixels = 0;
    if (row >= kFixed && row < GetRows())
        pixels += horizontalHeader()->maximumHeight() + rowViewportPosition(row - kFixed);
    return PixelsToTwipsY(pixels);
}

int CFlexGrid::GetColPos(int col) const
{
    int pixels = 0;
    if (col >= kFixed && col < GetCols())
        pixels += verticalHeader()->maximumWidth() + columnViewportPosition(col - kFixed);
    return PixelsToTwipsX(pixels);
}

int CFlexGrid::GetCellLeft()
{
    ScrollCurrentIntoView();
    return GetColPos(m_col);
}

int CFlexGrid::GetCellTop()
{
    ScrollCurrentIntoView();
    return GetRowPos(m_row);
}

int CFlexGrid::GetCellWidth()
{
    ScrollCurrentIntoView();
    return GetColWidth(m_col);
}

int CFlexGrid::GetCellHeight()
{
    ScrollCurrentIntoView();
    return GetRowHeight(m_row);
}
