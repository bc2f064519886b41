#pragma once
#include "grid/FlexGrid.h"

#include <QPointer>

#include <functional>
#include <vector>

class QComboBox;
class QKeyEvent;
class QLineEdit;

// One column of a table as SetupColumns lays it out.
struct CColumnDesc
{
    QString heading;
    int width = 0; // pixels; 0 ends a list
    int16_t alignment = CFlexGrid::kAlignLeftCenter;
    int fontKind = 1; // 1 leaves the column's font as it is
};

// A rectangle by its edges, right and bottom exclusive, in the owner's
// client coordinates.
struct CEdgeRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// How much the table window shrank from the size it was first given.
struct CGridSizeChange
{
    int dx = 0;
    int dy = 0;
};

// An editable table over CFlexGrid. The grid never edits text itself: the
// owner's edit boxes and drop-down lists are laid over the current cell
// while the user edits (overlay editors). The editor adds keyboard
// navigation (the Enter guard, Page Up and Page Down, wrapping Left and
// Right), wheel scrolling, fitting of the window to its rows and columns,
// and colours that follow the system colours.
//
// Every key, wheel, paint and scroll message of the table passes the
// editor's pre-filter first; keys that it lets through go to the owner's key
// filter (SetOwnerKeyFilter) and then to the table.
class CGridEditor : public CFlexGrid
{
    Q_OBJECT

public:
    enum OverlayKind
    {
        kOverlayNone = 0,
        kOverlayEdit = 1,
        kOverlayList = 3
    };
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kWheelDeltaPerNotch = 120;
    static constexpr int kWheelDeltaPerRow = 40;

    explicit CGridEditor(QWidget* parent = nullptr);
    ~CGridEditor() override;

    // Sets Rows, counts the page rows if they were never counted, fits.
    void SetRows(int rows) override;
    // Sets RowHeight, counts the page rows anew, fits.
    void SetRowHeight(int row, int twips) override;
    // Sets Redraw, counts the page rows anew, fits.
    void SetRedraw(bool redraw) override;
    // Sets ColWidth; the next paint fits the window.
    void SetColWidth(int col, int twips) override;
    // Moves the window (owner coordinates) and records its rectangle as the
    // saved rectangle; the next paint fits the window.
    virtual void MoveWindow(const CEdgeRect& rect, bool repaint = true);
    virtual void MoveWindow(int x, int y, int width, int height, bool repaint = true);

    // Centres column 0 and numbers the rows from firstRow on as 1, 2, 3 ...;
    // then (FixedRows, 1) becomes the current cell.
    void NumberRows(int firstRow);
    // Headings, alignments and widths (pixels, 15 twips each) of columns 0,
    // 1, 2 ...; stops at count (0: no limit), at a width of 0 or at Cols.
    void SetupColumns(const std::vector<CColumnDesc>& columns, int headingRow, int count);
    // Whole-row selection with highlight, or free selection without.
    void SetRowSelect(bool on);
    // Sizes the window to end just after the last column and the last row in view.
    void FitToContent(QWidget* owner = nullptr);
    // A number above 0 becomes the page-row count; 0 counts them.
    void CountPageRows(int number);
    int PageRows() const { return m_pageRows; }
    CGridSizeChange SizeChange() const;
    // Grid lines in the system's grey-text colour.
    void SetGreyLines();
    void SetArrowWrap(bool on) { m_arrowWrap = on; }
    bool ArrowWrap() const { return m_arrowWrap; }
    // 1: a Scroll event gives the focus to the grid while an overlay is
    // open; 0: it does nothing. Negative modes are ignored.
    void SetScrollFocusMode(int mode);

    // Lays the owner's list or edit box over the current cell, shows and
    // enables it and (focusFlag 1) focuses it. An edit box takes the text,
    // the cell's text is kept as the saved cell text and the cell is emptied
    // under the box. False, with nothing shown, on a heading cell. The
    // editor is placed in its parent's coordinates; that parent is the owner.
    bool OpenListEditor(QComboBox* list, const QString& text, int focusFlag, QWidget* owner);
    bool OpenEditEditor(QLineEdit* edit, const QString& text, int focusFlag, QWidget* owner);
    // Hides and disables the open overlay, emptying an edit box when clear
    // is 1. False when no overlay was open.
    bool CloseEditor(int clear);
    QString GetSavedCellText() const { return m_savedCellText; }
    int OverlayKindNow() const { return m_overlayKind; }
    QWidget* Overlay() const { return m_overlay; }

    // Scrolls the current cell into view.
    bool BringCellIntoView();
    void PageUp();
    void PageDown();
    // Moves on by step columns, wrapping to column 1 of the next row.
    bool MoveNext(int step);
    // Up and Down: with Shift, whole-row selection from column 1 (true);
    // without, free selection (false).
    bool HandleUpDown(int key);
    // True when the key types a printable character that begins an item.
    bool ListAcceptsKey(const QComboBox* list, const QKeyEvent& key) const;
    // Focus to the grid, then a Tab (Shift+Tab with Shift held) moves it on.
    void TabOut();
    // 1: default colours back; otherwise the current cell looks disabled.
    void SetCellEnabledLook(int flag);

    // The wheel as the pre-filter sees it; true when it scrolled the table.
    bool HandleWheel(int delta, Qt::KeyboardModifiers modifiers, const QPoint& globalPos);
    bool IsEnterArmed() const { return m_enterArmed; }

    // Sees every key that the pre-filter lets through, before the table.
    void SetOwnerKeyFilter(QObject* filter) { m_ownerFilter = filter; }
    // Where the keyboard state comes from (tests set their own).
    void SetModifierSource(std::function<Qt::KeyboardModifiers()> source);

    // The cell rectangles (owner coordinates) from which overlays are placed
    // and windows fitted.
    CEdgeRect CellRectFromCurrent();
    CEdgeRect CellRectAt(int row, int col) const;

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    static QColor SystemWindowColor();
    static QColor SystemGreyText();
    static QColor SystemButtonFace();
    bool PreFilterKey(QKeyEvent* key);
    void OnPaint();
    void OnScrollAction(Qt::Orientation orientation);
    void OnScrollEnd(Qt::Orientation orientation);
    void OnScroll();
    void InjectKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    Qt::KeyboardModifiers Modifiers() const;
    CEdgeRect WindowRect() const;
    bool HasSavedRect() const { return m_savedRect.right != 0; }
    void PlaceWindow(const CEdgeRect& rect);
    int ScrollBarMetric() const;
    bool PlaceOverlay(QWidget* editor, int kind, int topInset, int heightLoss);

    CEdgeRect m_savedRect;
    int m_scrollBarWidth = 0;
    bool m_enterArmed = true;
    bool m_arrowWrap = true;
    QWidget* m_overlay = nullptr;
    int m_overlayKind = kOverlayNone;
    int m_savedTopRow = 0;
    int m_savedLeftCol = 0;
    QColor m_windowColor;
    QString m_savedCellText;
    int m_pageRows = 0;
    GridColor m_backgroundSeen = kDefaultColor;
    int m_scrollFocusMode = 0;
    bool m_fitPending = false;
    QPointer<QObject> m_ownerFilter;
    std::function<Qt::KeyboardModifiers()> m_modifierSource;
};
