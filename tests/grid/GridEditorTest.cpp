#include "grid/GridEditor.h"
#include "grid/GridTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {
// Counts the keys that the pre-filter lets through to the owner.
class CKeyCounter : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            ++presses;
        return false;
    }
    int presses = 0;
};

QPoint GridCentre(const CGridEditor* grid)
{
    return grid->mapToGlobal(grid->rect().center());
}

// 100 rows in a window that shows about ten of them.
TEST(GridEditorWheel, ScrollsThreeRowsANotchOrAPageWithCtrlWithinTheTable)
{
    CGridHost host(101, 4, 300, 200);
    CGridEditor* grid = host.grid;
    const int page = grid->PageRows();
    ASSERT_GT(page, 3);
    ASSERT_LT(page, 100);

    EXPECT_TRUE(grid->HandleWheel(-120, Qt::NoModifier, GridCentre(grid)));
    EXPECT_EQ(grid->GetTopRow(), 4);
    EXPECT_TRUE(grid->HandleWheel(-120, Qt::ControlModifier, GridCentre(grid)));
    EXPECT_EQ(grid->GetTopRow(), 4 + page);
    EXPECT_TRUE(grid->HandleWheel(120, Qt::NoModifier, GridCentre(grid)));
    EXPECT_EQ(grid->GetTopRow(), 1 + page);

    // Never above the first scrollable row.
    EXPECT_TRUE(grid->HandleWheel(120 * 50, Qt::NoModifier, GridCentre(grid)));
    EXPECT_EQ(grid->GetTopRow(), 1);
    // Never past the end: the control keeps the last page full.
    EXPECT_TRUE(grid->HandleWheel(-120 * 50, Qt::NoModifier, GridCentre(grid)));
    EXPECT_EQ(grid->GetTopRow(), 101 - page);

    // A real wheel event over the table goes the same way.
    grid->SetTopRow(1);
    QWheelEvent wheel(QPointF(10, 10), QPointF(grid->viewport()->mapToGlobal(QPoint(10, 10))),
                      QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(grid->viewport(), &wheel);
    EXPECT_EQ(grid->GetTopRow(), 4);
}

TEST(GridEditorWheel, GoesOnUnchangedOutsideTheWindowOrWhenAllRowsFit)
{
    CGridHost host(101, 4, 300, 200);
    EXPECT_FALSE(
        host.grid->HandleWheel(-120, Qt::NoModifier, host.grid->mapToGlobal(QPoint(350, 250))));
    EXPECT_EQ(host.grid->GetTopRow(), 1);

    CGridHost small(5, 4, 300, 200);
    EXPECT_FALSE(small.grid->HandleWheel(-120, Qt::NoModifier, GridCentre(small.grid)));
    EXPECT_EQ(small.grid->GetTopRow(), 1);
}

TEST(GridEditorKeys, RightAndLeftWrapBetweenRowsExceptAtTheEndsOrWithShift)
{
    CGridHost host(6, 4);
    CGridEditor* grid = host.grid;
    grid->SetRow(2);
    grid->SetCol(3);
    SendKey(grid, Qt::Key_Right);
    DeliverPosted();
    EXPECT_EQ(grid->GetRow(), 3);
    EXPECT_EQ(grid->GetCol(), 1);

    SendKey(grid, Qt::Key_Left);
    DeliverPosted();
    EXPECT_EQ(grid->GetRow(), 2);
    EXPECT_EQ(grid->GetCol(), 3);

    // The last cell and the first cell do not wrap.
    grid->SetRow(5);
    SendKey(grid, Qt::Key_Right);
    DeliverPosted();
    EXPECT_EQ(grid->GetRow(), 5);
    EXPECT_EQ(grid->GetCol(), 3);
    grid->SetRow(1);
    grid->SetCol(1);
    SendKey(grid, Qt::Key_Left);
    DeliverPosted();
    EXPECT_EQ(grid->GetRow(), 1);
    EXPECT_EQ(grid->GetCol(), 1);

    // Shift, or arrow wrap off, leaves the keys to the table.
    grid->SetRow(2);
    grid->SetCol(3);
    SendKey(grid, Qt::Key_Right, Qt::ShiftModifier);
    DeliverPosted();
    EXPECT_EQ(grid->GetRow(), 2);
    grid->SetArrowWrap(false);
    grid->SetCol(3);
    SendKey(grid, Qt::Key_Right);
    DeliverPosted();
    EXPECT_EQ(grid->GetRow(), 2);
    EXPECT_EQ(grid->GetCol(), 3);
}

TEST(GridEditorKeys, HeldEnterActsOnceOnTheLastCellUntilReleased)
{
    CGridHost host(6, 4);
    CGridEditor* grid = host.grid;
    CKeyCounter owner;
    grid->SetOwnerKeyFilter(&owner);

    // Elsewhere every press goes on.
    grid->SetRow(2);
    SendKey(grid, Qt::Key_Return);
    SendKey(grid, Qt::Key_Return, Qt::NoModifier, QString(), true);
    EXPECT_EQ(owner.presses, 2);

    grid->SetRow(5);
    grid->SetCol(3);
    owner.presses = 0;
    SendKey(grid, Qt::Key_Return);
    SendKey(grid, Qt::Key_Return, Qt::NoModifier, QString(), true);
    ReleaseKey(grid, Qt::Key_Return, true);
    SendKey(grid, Qt::Key_Return, Qt::NoModifier, QString(), true);
    EXPECT_EQ(owner.presses, 1);
    EXPECT_FALSE(grid->IsEnterArmed());

    ReleaseKey(grid, Qt::Key_Return);
    SendKey(grid, Qt::Key_Return);
    EXPECT_EQ(owner.presses, 2);

    // Regaining the focus arms it too.
    SendKey(grid, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_FALSE(grid->IsEnterArmed());
    QLineEdit other(host.owner.get());
    other.show();
    other.setFocus();
    grid->setFocus();
    EXPECT_TRUE(grid->IsEnterArmed());
}

TEST(GridEditorKeys, PageDownAndPageUpMoveViewAndRowByAPage)
{
    CGridHost host(101, 4, 300, 200);
    CGridEditor* grid = host.grid;
    const int page = grid->PageRows();
    grid->SetRow(3);
    SendKey(grid, Qt::Key_PageDown);
    EXPECT_EQ(grid->GetTopRow(), 1 + page);
    EXPECT_EQ(grid->GetRow(), 3 + page);
    SendKey(grid, Qt::Key_PageUp);
    EXPECT_EQ(grid->GetTopRow(), 1);
    EXPECT_EQ(grid->GetRow(), 3);

    // A current row out of view is taken to the new page's top.
    grid->SetRow(50);
    grid->PageDown();
    EXPECT_EQ(grid->GetTopRow(), 1 + page);
    EXPECT_EQ(grid->GetRow(), 1 + page);
}

TEST(GridEditorLayout, NumberRowsWritesOneToNInColumnZero)
{
    CGridHost host(6, 3);
    host.grid->SetRow(4);
    host.grid->NumberRows(1);
    for (int row = 1; row <= 5; ++row)
        EXPECT_EQ(host.grid->GetTextMatrix(row, 0), QString::number(row));
    EXPECT_EQ(host.grid->GetColAlignment(0), CFlexGrid::kAlignCenterCenter);
    EXPECT_EQ(host.grid->GetRow(), 1);
    EXPECT_EQ(host.grid->GetCol(), 1);
}

TEST(GridEditorLayout, SetupColumnsSetsHeadingsAndPixelWidthsAtFifteenTwipsAndStops)
{
    CGridHost host(6, 2);
    CGridEditor* grid = host.grid;
    grid->SetupColumns({{"No.", 40, CFlexGrid::kAlignCenterCenter, 1},
                        {"Environment", 140, CFlexGrid::kAlignCenterCenter, 1},
                        {"beyond", 70, CFlexGrid::kAlignLeftCenter, 1}},
                       0, 0);
    EXPECT_EQ(grid->GetColWidth(0), 600);
    EXPECT_EQ(grid->GetColWidth(1), 2100);
    EXPECT_EQ(grid->GetCols(), 2);
    EXPECT_EQ(grid->GetTextMatrix(0, 0), "No.");
    EXPECT_EQ(grid->GetTextMatrix(0, 1), "Environment");
    EXPECT_EQ(grid->GetColAlignment(1), CFlexGrid::kAlignCenterCenter);
    EXPECT_EQ(grid->GetRow(), 1);
    EXPECT_EQ(grid->GetCol(), 1);

    // A width of 0 ends the list; so does the count.
    CGridHost wide(6, 4);
    wide.grid->SetupColumns({{"a", 20, 4, 1}, {"b", 0, 4, 1}, {"c", 30, 4, 1}}, 0, 0);
    EXPECT_EQ(wide.grid->GetColWidth(0), 300);
    EXPECT_EQ(wide.grid->GetColWidth(1), CGridHost::kColTwips);
    EXPECT_EQ(wide.grid->GetTextMatrix(0, 2), "");
    wide.grid->SetupColumns({{"x", 10, 4, 1}, {"y", 10, 4, 1}}, 0, 1);
    EXPECT_EQ(wide.grid->GetTextMatrix(0, 0), "x");
    EXPECT_EQ(wide.grid->GetTextMatrix(0, 1), "");
}

TEST(GridEditorMoving, MoveNextWrapsToTheNextRowAndStaysOnTheLastCell)
{
    CGridHost host(4, 3);
    CGridEditor* grid = host.grid;
    Qt::KeyboardModifiers held = Qt::NoModifier;
    grid->SetModifierSource([&held] { return held; });

    grid->SetRow(1);
    grid->SetCol(1);
    grid->MoveNext(1);
    EXPECT_EQ(grid->GetCol(), 2);
    grid->MoveNext(1);
    EXPECT_EQ(grid->GetRow(), 2);
    EXPECT_EQ(grid->GetCol(), 1);
    EXPECT_TRUE(grid->IsEnterArmed());

    grid->SetRow(3);
    grid->SetCol(2);
    grid->MoveNext(1);
    EXPECT_EQ(grid->GetRow(), 3);
    EXPECT_EQ(grid->GetCol(), 2);
    EXPECT_FALSE(grid->IsEnterArmed());

    // With Shift held nothing moves and Enter is disarmed.
    grid->setFocus();
    grid->SetRow(1);
    grid->SetCol(1);
    held = Qt::ShiftModifier;
    grid->MoveNext(1);
    EXPECT_EQ(grid->GetCol(), 1);
    EXPECT_FALSE(grid->IsEnterArmed());
}

TEST(GridEditorMoving, MoveNextInAOneColumnGridStays)
{
    CGridHost host(4, 1);
    CGridEditor* grid = host.grid;
    grid->SetModifierSource([] { return Qt::KeyboardModifiers(Qt::NoModifier); });
    grid->SetRow(1);
    grid->SetCol(0);
    grid->MoveNext(1);
    EXPECT_EQ(grid->GetRow(), 1);
    EXPECT_EQ(grid->GetCol(), 0);
    EXPECT_FALSE(grid->IsEnterArmed());
}

TEST(GridEditorMoving, HandleUpDownSelectsWholeRowsWithShiftOnly)
{
    CGridHost host(6, 4);
    CGridEditor* grid = host.grid;
    Qt::KeyboardModifiers held = Qt::ShiftModifier;
    grid->SetModifierSource([&held] { return held; });
    grid->SetCol(3);
    EXPECT_TRUE(grid->HandleUpDown(Qt::Key_Down));
    EXPECT_EQ(grid->GetCol(), 1);
    EXPECT_EQ(grid->GetSelectionMode(), CFlexGrid::kSelectionByRow);
    EXPECT_EQ(grid->GetHighLight(), CFlexGrid::kHighLightWithFocus);
    held = Qt::NoModifier;
    EXPECT_FALSE(grid->HandleUpDown(Qt::Key_Up));
    EXPECT_EQ(grid->GetSelectionMode(), CFlexGrid::kSelectionFree);
    EXPECT_EQ(grid->GetHighLight(), CFlexGrid::kHighLightNever);
}

TEST(GridEditorOverlay, EditBoxCoversTheCellAndKeepsItsText)
{
    CGridHost host(20, 4);
    CGridEditor* grid = host.grid;
    QLineEdit edit(host.owner.get());
    edit.hide();
    grid->SetTextMatrix(3, 2, "12");
    grid->SetRow(3);
    grid->SetCol(2);
    ASSERT_TRUE(grid->OpenEditEditor(&edit, "12", 1, host.owner.get()));
    DeliverPosted();

    EXPECT_EQ(grid->OverlayKindNow(), CGridEditor::kOverlayEdit);
    EXPECT_TRUE(edit.isVisible());
    EXPECT_TRUE(edit.isEnabled());
    EXPECT_EQ(edit.text(), "12");
    EXPECT_EQ(edit.selectedText(), "12");
    EXPECT_EQ(grid->GetTextMatrix(3, 2), "");
    EXPECT_EQ(grid->GetSavedCellText(), "12");
    // Laid one pixel inside the cell on every side.
    const CEdgeRect cell = grid->CellRectFromCurrent();
    EXPECT_EQ(edit.geometry(), QRect(cell.left + 3, cell.top + 3, cell.right - cell.left - 6,
                                     cell.bottom - cell.top - 6));

    EXPECT_TRUE(grid->CloseEditor(1));
    EXPECT_FALSE(edit.isVisible());
    EXPECT_FALSE(edit.isEnabled());
    EXPECT_EQ(edit.text(), "");
    EXPECT_FALSE(grid->CloseEditor(1));

    // Never over a heading.
    grid->SetRow(0);
    EXPECT_FALSE(grid->OpenEditEditor(&edit, "x", 1, host.owner.get()));
    EXPECT_FALSE(edit.isVisible());
}

TEST(GridEditorOverlay, ListSelectsTheMatchingItemAndAcceptsKeysThatBeginAnItem)
{
    CGridHost host(6, 2);
    CGridEditor* grid = host.grid;
    QComboBox list(host.owner.get());
    list.addItems({"Normal", "High Background Noise", "None"});
    list.hide();
    grid->SetRow(2);
    grid->SetCol(1);
    ASSERT_TRUE(grid->OpenListEditor(&list, "high background noise", 1, host.owner.get()));
    EXPECT_EQ(list.currentIndex(), 1);
    EXPECT_EQ(grid->OverlayKindNow(), CGridEditor::kOverlayList);
    EXPECT_TRUE(list.isVisible());

    const QKeyEvent h(QEvent::KeyPress, Qt::Key_H, Qt::NoModifier, "h");
    const QKeyEvent z(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, "z");
    const QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    const QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    EXPECT_TRUE(grid->ListAcceptsKey(&list, h));
    EXPECT_FALSE(grid->ListAcceptsKey(&list, z));
    EXPECT_FALSE(grid->ListAcceptsKey(&list, space));
    EXPECT_FALSE(grid->ListAcceptsKey(&list, down));
}

TEST(GridEditorOverlay, ScrollBarDoesNotMoveTheTableUnderAnOpenEditor)
{
    CGridHost host(101, 4, 300, 200);
    CGridEditor* grid = host.grid;
    QLineEdit edit(host.owner.get());
    grid->SetRow(2);
    grid->SetCol(1);
    ASSERT_TRUE(grid->OpenEditEditor(&edit, "", 1, host.owner.get()));
    grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(grid->GetTopRow(), 1);

    grid->CloseEditor(1);
    grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_GT(grid->GetTopRow(), 1);
}

TEST(GridEditorOverlay, ScrollFocusModeOneTakesTheFocusBackFromAnOpenEditor)
{
    CGridHost host(101, 4, 300, 200);
    CGridEditor* grid = host.grid;
    QLineEdit edit(host.owner.get());
    grid->SetRow(2);
    grid->SetCol(1);
    ASSERT_TRUE(grid->OpenEditEditor(&edit, "", 1, host.owner.get()));
    ASSERT_TRUE(edit.hasFocus());
    grid->SetTopRow(5); // mode 0: nothing happens
    EXPECT_TRUE(edit.hasFocus());

    grid->SetScrollFocusMode(-1); // ignored
    grid->SetScrollFocusMode(1);
    grid->SetTopRow(9);
    EXPECT_TRUE(grid->hasFocus());
}

TEST(GridEditorOverlay, TabOutMovesTheFocusPastTheGridInEitherDirection)
{
    CGridHost host(6, 2);
    CGridEditor* grid = host.grid;
    QLineEdit before(host.owner.get());
    QLineEdit after(host.owner.get());
    QWidget::setTabOrder(&before, grid);
    QWidget::setTabOrder(grid, &after);
    before.show();
    after.show();
    Qt::KeyboardModifiers held = Qt::NoModifier;
    grid->SetModifierSource([&held] { return held; });

    after.setFocus();
    grid->TabOut();
    EXPECT_TRUE(grid->hasFocus()); // the Tab is on its way
    DeliverPosted();
    EXPECT_TRUE(after.hasFocus());

    held = Qt::ShiftModifier;
    grid->TabOut();
    DeliverPosted();
    EXPECT_TRUE(before.hasFocus());
}

TEST(GridEditorLayout, CellEnabledLookGreysAndRestoresTheCurrentCell)
{
    CGridHost host(6, 2);
    CGridEditor* grid = host.grid;
    grid->SetRow(2);
    grid->SetCol(1);
    grid->SetCellEnabledLook(0);
    EXPECT_NE(grid->GetCellBackColor(), CFlexGrid::kDefaultColor);
    EXPECT_NE(grid->GetCellForeColor(), CFlexGrid::kDefaultColor);
    grid->SetCellEnabledLook(1);
    EXPECT_EQ(grid->GetCellBackColor(), CFlexGrid::kDefaultColor);
    EXPECT_EQ(grid->GetCellForeColor(), CFlexGrid::kDefaultColor);
}

TEST(GridEditorLayout, FirstPaintTakesTheSystemGreyForTheLines)
{
    CGridHost host(6, 2);
    host.grid->SetGridColor(0x010203);
    host.grid->grab();
    EXPECT_EQ(host.grid->GetGridColor(), CFlexGrid::FromQColor(QApplication::palette().color(
                                             QPalette::Disabled, QPalette::Text)));
    // Later paints leave the owner's colour alone.
    host.grid->SetGridColor(0x010203);
    host.grid->grab();
    EXPECT_EQ(host.grid->GetGridColor(), 0x010203u);
}

TEST(GridEditorLayout, FitEndsTheWindowAfterTheLastColumnAndTheLastFullRow)
{
    CGridHost host(101, 4, 400, 200);
    CGridEditor* grid = host.grid;
    grid->FitToContent();
    const int page = grid->PageRows();
    const CEdgeRect last = grid->CellRectAt(grid->GetTopRow() + page - 1, grid->GetCols() - 1);
    EXPECT_EQ(grid->geometry().bottom() + 1, last.bottom + 2);
    EXPECT_TRUE(grid->GetRowIsVisible(grid->GetTopRow() + page - 1));
    const CGridSizeChange change = grid->SizeChange();
    EXPECT_GT(change.dx, 0); // four 28-pixel columns need far less than 400 pixels
    EXPECT_EQ(grid->geometry().width(), 400 - change.dx);
}
} // namespace
