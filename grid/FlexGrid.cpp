#include "grid/FlexGrid.h"

#include "grid/FlexGridCell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {
// Default cell size in twips before the owner sets its own.
// A default row is the font's line height and this much more.
constexpr int kRowPadding = 2;
constexpr int kDefaultColTwips = 960;
// Colours used when the owner gives none.
constexpr GridColor kDefaultGridLines = 0xC0C0C0;
constexpr int kFocusFrameWidth = 2;
// The sunken edge round the table.
constexpr int kBorderWidth = 2;
constexpr QRgb kOpaque = 0xFF000000u;
constexpr QRgb kRgbMask = 0x00FFFFFFu;

Qt::Alignment ToQtAlignment(int alignment)
{
    static constexpr Qt::Alignment kHorizontal[] = {Qt::AlignLeft, Qt::AlignHCenter,
                                                    Qt::AlignRight};
    static constexpr Qt::Alignment kVertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    constexpr int kPerColumn = 3;
    if (alignment < CFlexGrid::kAlignLeftTop || alignment > CFlexGrid::kAlignRightBottom)
        return Qt::AlignLeft | Qt::AlignVCenter;
    return kHorizontal[alignment / kPerColumn] | kVertical[alignment % kPerColumn];
}

int16_t FromQtAlignment(Qt::Alignment alignment)
{
    constexpr int kPerColumn = 3;
    const int horizontal = (alignment & Qt::AlignHCenter) ? 1
                           : (alignment & Qt::AlignRight) ? 2
                                                          : 0;
    const int vertical = (alignment & Qt::AlignTop) ? 0 : (alignment & Qt::AlignBottom) ? 2 : 1;
    return static_cast<int16_t>(horizontal * kPerColumn + vertical);
}
} // namespace

namespace {
// Text in a heading cell keeps this far from the cell's sides.
constexpr int kHeadingMargin = 2;

// A heading cell: the system's raised heading face, the cell's own colours
// where it has them, and the text clipped to the cell (a text wider than
// the cell loses the side away from its alignment).
void PaintHeading(QPainter& painter, const QWidget* widget, const QRect& rect,
                  Qt::Orientation orientation, const QString& text, Qt::Alignment alignment,
                  const QVariant& background, const QVariant& foreground)
{
    QStyleOptionHeader option;
    option.initFrom(widget);
    option.state |= QStyle::State_Enabled | QStyle::State_Raised;
    option.palette.setCurrentColorGroup(QPalette::Active);
    option.rect = rect;
    option.orientation = orientation;
    option.position = QStyleOptionHeader::Middle;
    painter.save();
    painter.setClipRect(rect);
    widget->style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, widget);
    if (background.isValid())
        painter.fillRect(rect.adjusted(1, 1, -1, -1), background.value<QBrush>());
    painter.setPen(foreground.isValid() ? foreground.value<QBrush>().color()
                                        : option.palette.color(QPalette::ButtonText));
    painter.drawText(rect.adjusted(kHeadingMargin, 0, -kHeadingMargin, 0),
                     static_cast<int>(alignment | Qt::TextSingleLine), text);
    painter.restore();
}

// The heading row or column: every section is painted as a heading cell.
class CFlexHeader : public QHeaderView
{
public:
    CFlexHeader(Qt::Orientation orientation, QWidget* parent) : QHeaderView(orientation, parent) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        if (!rect.isValid() || model() == nullptr)
            return;
        const QVariant alignment =
            model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
        PaintHeading(*painter, this, rect, orientation(),
                     model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString(),
                     alignment.isValid() ? Qt::Alignment(alignment.toInt()) : defaultAlignment(),
                     model()->headerData(logicalIndex, orientation(), Qt::BackgroundRole),
                     model()->headerData(logicalIndex, orientation(), Qt::ForegroundRole));
    }
};
} // namespace

// Paints data cells: the owner's colours and alignments, the selection as the
// highlight mode asks, grid lines in the grid colour and a frame round the
// current cell.
class CFlexGrid::CDelegate : public QStyledItemDelegate
{
public:
    explicit CDelegate(CFlexGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const int row = index.row() + kFixed;
        const int col = index.column() + kFixed;
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        opt.state &= ~QStyle::State_HasFocus;
        if (!index.data(Qt::TextAlignmentRole).isValid())
            opt.displayAlignment = ToQtAlignment(m_grid->GetColAlignment(col));
        const bool current = row == m_grid->m_row && col == m_grid->m_col;
        bool highlight = m_grid->IsSelected(row, col);
        if (current && m_grid->m_selectionMode != kSelectionByRow)
            highlight = false;
        if (m_grid->m_highLight == kHighLightNever ||
            (m_grid->m_highLight == kHighLightWithFocus && !m_grid->hasFocus()))
            highlight = false;
        if (highlight)
            opt.state |= QStyle::State_Selected;
        else
            opt.state &= ~QStyle::State_Selected;
        // The view paints the selection under every cell; the cell decides.
        const QVariant background = index.data(Qt::BackgroundRole);
        painter->fillRect(option.rect, background.isValid() ? background.value<QBrush>()
                                                            : opt.palette.brush(QPalette::Base));
        opt.rect.adjust(0, 0, -1, -1);
        QStyledItemDelegate::paint(painter, opt, index);

        painter->save();
        painter->setPen(ToQColor(m_grid->m_gridColor == kDefaultColor ? kDefaultGridLines
                                                                      : m_grid->m_gridColor));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        if (current) {
            QPen pen(opt.palette.color(QPalette::Text));
            pen.setWidth(kFocusFrameWidth);
            pen.setJoinStyle(Qt::MiterJoin);
            painter->setPen(pen);
            painter->drawRect(option.rect.adjusted(1, 1, -kFocusFrameWidth, -kFocusFrameWidth));
        }
        painter->restore();
    }

private:
    CFlexGrid* m_grid;
};

CFlexGrid::CFlexGrid(QWidget* parent) : QTableWidget(parent), m_corner(new QTableWidgetItem)
{
    m_delegate = new CDelegate(this);
    setItemDelegate(m_delegate);
    setShowGrid(false);
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSelectionBehavior(SelectItems);
    setSelectionMode(ExtendedSelection);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerItem);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBorderWidth);
    m_gridColor = kDefaultGridLines;
    setHorizontalHeader(new CFlexHeader(Qt::Horizontal, this));
    setVerticalHeader(new CFlexHeader(Qt::Vertical, this));

    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setSectionsClickable(false);
        header->setHighlightSections(false);
        header->setMinimumSectionSize(1);
        header->installEventFilter(this);
        header->viewport()->installEventFilter(this);
    }
    const int rowHeight = DefaultRowHeight();
    const int colWidth = TwipsToPixelsX(kDefaultColTwips);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setDefaultSectionSize(colWidth);
    verticalHeader()->setFixedWidth(colWidth);
    horizontalHeader()->setFixedHeight(rowHeight);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    viewport()->setMouseTracking(true);
    // The corner cell (0, 0) is a heading like any other: it shows its text.
    m_cornerButton = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (m_cornerButton != nullptr)
        m_cornerButton->installEventFilter(this);

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CFlexGrid::Scroll);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &CFlexGrid::Scroll);
    SetRows(2);
    SetCols(2);
}

CFlexGrid::~CFlexGrid()
{
    // The base classes may still move the scroll bars while they tear down;
    // that must not reach this half-destroyed object.
    verticalScrollBar()->disconnect(this);
    horizontalScrollBar()->disconnect(this);
    delete m_corner;
}

int CFlexGrid::DefaultRowHeight() const
{
    return fontMetrics().height() + kRowPadding;
}

void CFlexGrid::changeEvent(QEvent* event)
{
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // Rows follow the font until the owner sizes them.
        const int rowHeight = DefaultRowHeight();
        verticalHeader()->setDefaultSectionSize(rowHeight);
        horizontalHeader()->setFixedHeight(rowHeight);
        UpdateLayout();
    }
}

void CFlexGrid::PaintCorner()
{
    QPainter painter(m_cornerButton);
    const QVariant alignment = m_corner->data(Qt::TextAlignmentRole);
    PaintHeading(painter, m_cornerButton, m_cornerButton->rect(), Qt::Horizontal, m_corner->text(),
                 alignment.isValid() ? Qt::Alignment(alignment.toInt())
                                     : Qt::AlignLeft | Qt::AlignVCenter,
                 m_corner->data(Qt::BackgroundRole), m_corner->data(Qt::ForegroundRole));
}

// ---- cells ----

bool CFlexGrid::IsCell(int row, int col) const
{
    return row >= 0 && col >= 0 && row < GetRows() && col < GetCols();
}

QTableWidgetItem* CFlexGrid::CellItem(int row, int col) const
{
    if (!IsCell(row, col))
        return nullptr;
    if (row < kFixed && col < kFixed)
        return m_corner;
    if (row < kFixed)
        return horizontalHeaderItem(col - kFixed);
    if (col < kFixed)
        return verticalHeaderItem(row - kFixed);
    return item(row - kFixed, col - kFixed);
}

QTableWidgetItem* CFlexGrid::EnsureCellItem(int row, int col)
{
    QTableWidgetItem* cell = CellItem(row, col);
    if (cell != nullptr || !IsCell(row, col))
        return cell;
    cell = row < kFixed || col < kFixed ? new QTableWidgetItem : new CFlexGridCell;
    if (row < kFixed)
        setHorizontalHeaderItem(col - kFixed, cell);
    else if (col < kFixed)
        setVerticalHeaderItem(row - kFixed, cell);
    else
        setItem(row - kFixed, col - kFixed, cell);
    return cell;
}

void CFlexGrid::SetCellNamesFromHeadings(bool on)
{
    m_cellNamesFromHeadings = on;
    if (!on)
        return;
    // Empty cells too: every cell a screen reader reaches says which it is.
    for (int row = kFixed; row < GetRows(); ++row)
        for (int col = kFixed; col < GetCols(); ++col)
            EnsureCellItem(row, col);
}

QString CFlexGrid::GetTextMatrix(int row, int col) const
{
    const QTableWidgetItem* cell = CellItem(row, col);
    return cell != nullptr ? cell->text() : QString();
}

void CFlexGrid::SetTextMatrix(int row, int col, const QString& text)
{
    const QTableWidgetItem* existing = CellItem(row, col);
    if (existing == nullptr && text.isEmpty())
        return;
    if (QTableWidgetItem* cell = EnsureCellItem(row, col))
        cell->setText(text);
    if (row < kFixed && col < kFixed && m_cornerButton != nullptr)
        m_cornerButton->update();
}

QString CFlexGrid::GetText() const
{
    return GetTextMatrix(m_row, m_col);
}

void CFlexGrid::SetText(const QString& text)
{
    if (m_fillStyle == kFillRepeat)
        ForEachFilledCell([&](int row, int col) { SetTextMatrix(row, col, text); });
    else
        SetTextMatrix(m_row, m_col, text);
}

template <typename Fn> void CFlexGrid::ForEachFilledCell(Fn&& fn)
{
    if (m_fillStyle != kFillRepeat) {
        fn(m_row, m_col);
        return;
    }
    const int top = std::min(m_row, m_rowSel);
    const int bottom = std::max(m_row, m_rowSel);
    const int left = std::min(m_col, m_colSel);
    const int right = std::max(m_col, m_colSel);
    for (int row = top; row <= bottom; ++row)
        for (int col = left; col <= right; ++col)
            fn(row, col);
}

// ---- structure ----

void CFlexGrid::SetRows(int rows)
{
    if (rows < kFixed)
        return;
    const int oldCount = rowCount();
    setRowCount(rows - kFixed);
    for (int r = oldCount; r < rowCount(); ++r)
        if (verticalHeaderItem(r) == nullptr)
            setVerticalHeaderItem(r, new QTableWidgetItem);
    if (m_row >= rows)
        SetRow(rows - 1);
    UpdateLayout();
}

void CFlexGrid::SetCols(int cols)
{
    if (cols < kFixed)
        return;
    const int oldCount = columnCount();
    setColumnCount(cols - kFixed);
    for (int c = oldCount; c < columnCount(); ++c)
        if (horizontalHeaderItem(c) == nullptr)
            setHorizontalHeaderItem(c, new QTableWidgetItem);
    if (m_col >= cols)
        SetCol(cols - 1);
    UpdateLayout();
}

void CFlexGrid::UpdateLayout()
{
    LayoutNow();
}

void CFlexGrid::LayoutNow()
{
    if (!isVisible() || testAttribute(Qt::WA_PendingResizeEvent)) {
        // A hidden window gets its resize event only when shown; the layout
        // is wanted now.
        QResizeEvent resize(size(), size());
        QCoreApplication::sendEvent(this, &resize);
    }
    updateGeometries();
}

// ---- formatting ----

GridColor CFlexGrid::GetCellBackColor() const
{
    const QTableWidgetItem* cell = CellItem(m_row, m_col);
    if (cell == nullptr || !cell->data(Qt::BackgroundRole).isValid())
        return kDefaultColor;
    return FromQColor(cell->background().color());
}

void CFlexGrid::SetCellBackColor(GridColor color)
{
    ForEachFilledCell([&](int row, int col) {
        QTableWidgetItem* cell =
            color == kDefaultColor ? CellItem(row, col) : EnsureCellItem(row, col);
        if (cell != nullptr)
            cell->setData(Qt::BackgroundRole,
                          color == kDefaultColor ? QVariant() : QVariant(QBrush(ToQColor(color))));
    });
}

GridColor CFlexGrid::GetCellForeColor() const
{
    const QTableWidgetItem* cell = CellItem(m_row, m_col);
    if (cell == nullptr || !cell->data(Qt::ForegroundRole).isValid())
        return kDefaultColor;
    return FromQColor(cell->foreground().color());
}

void CFlexGrid::SetCellForeColor(GridColor color)
{
    ForEachFilledCell([&](int row, int col) {
        QTableWidgetItem* cell =
            color == kDefaultColor ? CellItem(row, col) : EnsureCellItem(row, col);
        if (cell != nullptr)
            cell->setData(Qt::ForegroundRole,
                          color == kDefaultColor ? QVariant() : QVariant(QBrush(ToQColor(color))));
    });
}

void CFlexGrid::SetCellAlignment(int16_t alignment)
{
    const Qt::Alignment qtAlignment = ToQtAlignment(alignment);
    ForEachFilledCell([&](int row, int col) {
        if (QTableWidgetItem* cell = EnsureCellItem(row, col))
            cell->setTextAlignment(qtAlignment);
    });
}

int16_t CFlexGrid::GetCellAlignment() const
{
    const QTableWidgetItem* cell = CellItem(m_row, m_col);
    if (cell == nullptr || !cell->data(Qt::TextAlignmentRole).isValid())
        return GetColAlignment(m_col);
    return FromQtAlignment(Qt::Alignment(cell->data(Qt::TextAlignmentRole).toInt()));
}

void CFlexGrid::SetColAlignment(int col, int16_t alignment)
{
    if (col < 0 || col >= GetCols())
        return;
    if (col < kFixed) {
        verticalHeader()->setDefaultAlignment(ToQtAlignment(alignment));
        return;
    }
    QTableWidgetItem* header = EnsureCellItem(0, col);
    header->setData(Qt::UserRole, static_cast<int>(alignment));
    viewport()->update();
}

int16_t CFlexGrid::GetColAlignment(int col) const
{
    if (col < kFixed)
        return FromQtAlignment(verticalHeader()->defaultAlignment());
    const QTableWidgetItem* header = CellItem(0, col);
    if (header == nullptr || !header->data(Qt::UserRole).isValid())
        return kAlignLeftCenter;
    return static_cast<int16_t>(header->data(Qt::UserRole).toInt());
}

void CFlexGrid::SetGridColor(GridColor color)
{
    m_gridColor = color;
    viewport()->update();
}

GridColor CFlexGrid::GetBackColor() const
{
    return FromQColor(palette().color(QPalette::Base));
}

void CFlexGrid::SetBackColor(GridColor color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color == kDefaultColor
                                     ? QApplication::palette(this).color(QPalette::Base)
                                     : ToQColor(color));
    setPalette(pal);
}

// ---- colours ----

QColor CFlexGrid::ToQColor(GridColor color)
{
    return QColor(static_cast<QRgb>(color | kOpaque));
}

GridColor CFlexGrid::FromQColor(const QColor& color)
{
    return static_cast<GridColor>(color.rgb() & kRgbMask);
}
