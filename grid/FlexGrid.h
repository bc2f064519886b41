#pragma once
#include <QTableWidget>

class QAbstractButton;

#include <cstdint>

// Colours of the grid: 0x00RRGGBB; 0 stands for the default colour.
using GridColor = uint32_t;

// A table with fixed heading rows and columns, driven by properties in the
// manner of the classic flexible grid controls. Rows and columns count from
// 0 and include the fixed ones: row 0 and column 0 are the headings (one of
// each), data cells start at (1, 1). Fixed cells stay in place while the
// rest scrolls. Sizes and positions are in twips (1440 per inch), measured
// from the control's inner corner (inside its sunken edge), where the
// heading cells begin. Colour 0 means the default colour.
//
// The heading row is shown by the horizontal header, the heading column by
// the vertical header; every cell, fixed or not, is reached through the same
// properties.
class CFlexGrid : public QTableWidget
{
    Q_OBJECT

public:
    static constexpr int kTwipsPerInch = 1440;
    // The resolution taken when the screen tells none.
    static constexpr int kDefaultDpi = 96;
    static constexpr GridColor kDefaultColor = 0;

    // Cell alignments (ColAlignment, CellAlignment).
    enum Alignment : int16_t
    {
        kAlignLeftTop = 0,
        kAlignLeftCenter = 1,
        kAlignLeftBottom = 2,
        kAlignCenterTop = 3,
        kAlignCenterCenter = 4,
        kAlignCenterBottom = 5,
        kAlignRightTop = 6,
        kAlignRightCenter = 7,
        kAlignRightBottom = 8,
        kAlignGeneral = 9,
    };
    enum HighLightMode
    {
        kHighLightNever = 0,
        kHighLightAlways = 1,
        kHighLightWithFocus = 2
    };
    enum SelectionModeValue
    {
        kSelectionFree = 0,
        kSelectionByRow = 1
    };
    enum FillStyleValue
    {
        kFillSingle = 0,
        kFillRepeat = 1
    };
    // Mouse buttons and shift state of MouseDown.
    static constexpr int16_t kButtonLeft = 1;
    static constexpr int16_t kButtonRight = 2;
    static constexpr int16_t kButtonMiddle = 4;
    static constexpr int16_t kShiftMask = 1;
    static constexpr int16_t kCtrlMask = 2;
    static constexpr int16_t kAltMask = 4;

    explicit CFlexGrid(QWidget* parent = nullptr);
    ~CFlexGrid() override;

    // Text of the current cell.
    QString GetText() const;
    void SetText(const QString& text);

    int GetRows() const { return rowCount() + kFixed; }
    virtual void SetRows(int rows);
    int GetCols() const { return columnCount() + kFixed; }
    void SetCols(int cols);
    int GetFixedRows() const { return kFixed; }
    int GetFixedCols() const { return kFixed; }

    // First scrollable row and column in view. Setting TopRow is limited to
    // the range the scroll bar allows (the last page stays full).
    int GetTopRow() const;
    void SetTopRow(int row);
    int GetLeftCol() const;
    void SetLeftCol(int col);

    // Current cell. Setting it collapses the selection to it and does not
    // scroll; RowColChange is emitted whenever it changes.
    int GetRow() const { return m_row; }
    void SetRow(int row);
    int GetCol() const { return m_col; }
    void SetCol(int col);
    // Far corner of the selection, the current cell being the near one.
    void SetRowSel(int row);
    void SetColSel(int col);
    int GetRowSel() const { return m_rowSel; }
    int GetColSel() const { return m_colSel; }

    int GetHighLight() const { return m_highLight; }
    void SetHighLight(int mode);
    // Painting on or off; off also holds back layout work until it is on.
    virtual void SetRedraw(bool redraw);
    bool GetRedraw() const { return m_redraw; }

    // Cell under the mouse at the last mouse event over the control; -1
    // outside the cells.
    int GetMouseRow() const;
    int GetMouseCol() const;

    // The current cell's rectangle; reading any of them brings the cell into view.
    int GetCellLeft();
    int GetCellTop();
    int GetCellWidth();
    int GetCellHeight();

    void SetGridColor(GridColor color);
    GridColor GetGridColor() const { return m_gridColor; }
    // Colours and alignment of the current cell, or of the selection with
    // FillStyle 1.
    GridColor GetCellBackColor() const;
    void SetCellBackColor(GridColor color);
    GridColor GetCellForeColor() const;
    void SetCellForeColor(GridColor color);
    void SetCellAlignment(int16_t alignment);
    int16_t GetCellAlignment() const;

    int GetSelectionMode() const { return m_selectionMode; }
    void SetSelectionMode(int mode);
    void SetColAlignment(int col, int16_t alignment);
    int16_t GetColAlignment(int col) const;

    int GetColWidth(int col) const;
    virtual void SetColWidth(int col, int twips);
    int GetRowHeight(int row) const;
    virtual void SetRowHeight(int row, int twips);

    // Whether screen readers get each data cell named by its headings and
    // text, "Environment 1: Normal" (CFlexGridCell). Off by default: a
    // cell's name is its text. Turning it on gives every data cell there is
    // now an item, so that empty cells are named as well.
    void SetCellNamesFromHeadings(bool on);
    bool GetCellNamesFromHeadings() const { return m_cellNamesFromHeadings; }

    QString GetTextMatrix(int row, int col) const;
    void SetTextMatrix(int row, int col, const QString& text);

    // True while any part of the row is in view; fixed rows always are.
    bool GetRowIsVisible(int row) const;
    // Position of a row's top or a column's left edge as shown now.
    int GetRowPos(int row) const;
    int GetColPos(int col) const;

    // The background in effect: the owner's colour, else the system's.
    GridColor GetBackColor() const;
    void SetBackColor(GridColor color);
    void SetFillStyle(int style) { m_fillStyle = style; }
    int GetFillStyle() const { return m_fillStyle; }

    // Twips and pixels at the control's resolution; "x" is horizontal.
    int PixelsToTwipsX(int pixels) const;
    int PixelsToTwipsY(int pixels) const;
    int TwipsToPixelsX(int twips) const;
    int TwipsToPixelsY(int twips) const;

    // Scrolls the current cell into view.
    void ScrollCurrentIntoView();
    // Brings the inner layout (viewport, scroll ranges) in line with the
    // window's size now, also while the window is hidden.
    void LayoutNow();

    static QColor ToQColor(GridColor color);
    static GridColor FromQColor(const QColor& color);

signals:
    // The user clicked a cell: the left button was released over a data cell.
    void Click();
    // A mouse button went down over the control, after the current cell
    // followed it: button (1 left, 2 right, 4 middle), shift state (1 Shift,
    // 2 Ctrl, 4 Alt), position in twips from the control's inner corner.
    void MouseDown(int16_t button, int16_t shift, int32_t x, int32_t y);
    // The current cell changed.
    void RowColChange();
    // The rows or columns in view changed.
    void Scroll();

protected:
    static constexpr int kFixed = 1;

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void keyboardSearch(const QString& search) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

    // The item behind a cell, fixed ones included; created on demand.
    QTableWidgetItem* CellItem(int row, int col) const;
    QTableWidgetItem* EnsureCellItem(int row, int col);
    bool IsCell(int row, int col) const;

private:
    class CDelegate;
    friend class CDelegate;

    template <typename Fn> void ForEachFilledCell(Fn&& fn);
    void PaintCorner();
    int DefaultRowHeight() const;
    void SyncCurrentIndex();
    void AlignToTopRow();
    void SyncSelection();
    void UpdateLayout();
    void NoteMouse(const QPoint& posInControl);
    QPoint ControlPos(const QWidget* from, const QPoint& pos) const;
    int CellRowAt(int y) const;
    int CellColAt(int x) const;
    bool IsSelected(int row, int col) const;

    int m_row = 1;
    int m_col = 1;
    int m_rowSel = 1;
    int m_colSel = 1;
    int m_highLight = kHighLightAlways;
    int m_selectionMode = kSelectionFree;
    int m_fillStyle = kFillSingle;
    bool m_redraw = true;
    bool m_quietCurrent = false;
    bool m_noAutoScroll = false;
    bool m_cellNamesFromHeadings = false;
    GridColor m_gridColor = kDefaultColor;
    QPoint m_mousePos{-1, -1};
    QTableWidgetItem* m_corner = nullptr;
    QAbstractButton* m_cornerButton = nullptr;
    CDelegate* m_delegate = nullptr;
};
