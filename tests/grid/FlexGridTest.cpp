#include "grid/FlexGrid.h"
#include "grid/FlexGridCell.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {
struct FlexGridTest : ::testing::Test
{
    static constexpr int kRowTwips = 240;
    static constexpr int kColTwips = 420;

    void SetUp() override
    {
        owner = std::make_unique<QWidget>();
        owner->resize(600, 400);
        grid = new CFlexGrid(owner.get());
        grid->setGeometry(0, 0, 300, 200);
        grid->SetCols(4);
        grid->SetRows(50);
        grid->SetRowHeight(-1, kRowTwips);
        grid->SetColWidth(-1, kColTwips);
        owner->show();
    }

    // Twips to the whole pixels a cell takes at the grid's resolution, and
    // the twips that those pixels measure.
    static int Pixels(int twips, int dpi) { return twips * dpi / CFlexGrid::kTwipsPerInch; }
    static int WholeTwips(int twips, int dpi)
    {
        return Pixels(twips, dpi) * CFlexGrid::kTwipsPerInch / dpi;
    }
    int RowPixels(int twips) const { return Pixels(twips, grid->logicalDpiY()); }
    int ColPixels(int twips) const { return Pixels(twips, grid->logicalDpiX()); }
    int RowTwips(int twips) const { return WholeTwips(twips, grid->logicalDpiY()); }
    int ColTwips(int twips) const { return WholeTwips(twips, grid->logicalDpiX()); }

    std::unique_ptr<QWidget> owner;
    CFlexGrid* grid = nullptr;
};

TEST_F(FlexGridTest, CountsIncludeTheFixedRowAndColumnAndEveryCellKeepsItsText)
{
    EXPECT_EQ(grid->GetRows(), 50);
    EXPECT_EQ(grid->GetCols(), 4);
    EXPECT_EQ(grid->GetFixedRows(), 1);
    EXPECT_EQ(grid->GetFixedCols(), 1);

    grid->SetTextMatrix(0, 0, "corner");
    grid->SetTextMatrix(0, 2, "head");
    grid->SetTextMatrix(7, 0, "label");
    grid->SetTextMatrix(7, 3, "data");
    EXPECT_EQ(grid->GetTextMatrix(0, 0), "corner");
    EXPECT_EQ(grid->GetTextMatrix(0, 2), "head");
    EXPECT_EQ(grid->GetTextMatrix(7, 0), "label");
    EXPECT_EQ(grid->GetTextMatrix(7, 3), "data");
    EXPECT_EQ(grid->GetTextMatrix(7, 2), "");

    // Cells outside the table are ignored, not created.
    grid->SetTextMatrix(50, 1, "nowhere");
    grid->SetTextMatrix(1, 4, "nowhere");
    EXPECT_EQ(grid->GetTextMatrix(50, 1), "");
    EXPECT_EQ(grid->GetRows(), 50);
}

TEST_F(FlexGridTest, CurrentCellChangesAreReportedOnceAndTextFollowsIt)
{
    QSignalSpy changes(grid, &CFlexGrid::RowColChange);
    grid->SetRow(5);
    grid->SetCol(2);
    grid->SetCol(2);
    grid->SetRow(99); // out of range: ignored
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(grid->GetRow(), 5);
    EXPECT_EQ(grid->GetCol(), 2);

    grid->SetText("x");
    EXPECT_EQ(grid->GetTextMatrix(5, 2), "x");
    EXPECT_EQ(grid->GetText(), "x");

    // A heading cell can be made current to write it.
    grid->SetRow(0);
    grid->SetText("__2");
    EXPECT_EQ(grid->GetTextMatrix(0, 2), "__2");
}

TEST_F(FlexGridTest, SizesAndPositionsAreInTwips)
{
    // Sizes are kept in whole pixels of the screen: 255 twips are 17 pixels
    // at 96 dpi, 12 (240 twips) at 72 dpi.
    grid->SetColWidth(2, 600);
    grid->SetRowHeight(0, 255);
    EXPECT_EQ(grid->GetColWidth(2), ColTwips(600));
    EXPECT_EQ(grid->GetColWidth(1), ColTwips(kColTwips));
    EXPECT_EQ(grid->GetRowHeight(0), RowTwips(255));
    EXPECT_EQ(grid->GetRowHeight(30), RowTwips(kRowTwips));
    EXPECT_EQ(grid->GetRowPos(2) - grid->GetRowPos(1), RowTwips(kRowTwips));
    EXPECT_EQ(grid->GetRowPos(1) - grid->GetRowPos(0), RowTwips(255));
    EXPECT_EQ(grid->GetColPos(3) - grid->GetColPos(2), ColTwips(600));
}

TEST_F(FlexGridTest, TopRowScrollsWithinTheTableAndReadingTheCellBringsItIntoView)
{
    QSignalSpy scrolls(grid, &CFlexGrid::Scroll);
    grid->SetTopRow(10);
    EXPECT_EQ(grid->GetTopRow(), 10);
    EXPECT_EQ(scrolls.count(), 1);
    EXPECT_TRUE(grid->GetRowIsVisible(0));
    EXPECT_TRUE(grid->GetRowIsVisible(10));
    EXPECT_FALSE(grid->GetRowIsVisible(9));

    // The last page stays full.
    grid->SetTopRow(1000);
    EXPECT_LT(grid->GetTopRow(), 49);
    EXPECT_TRUE(grid->GetRowIsVisible(49));
    EXPECT_FALSE(grid->GetRowIsVisible(grid->GetTopRow() - 1));

    // Setting the current cell does not scroll; reading its rectangle does.
    grid->SetTopRow(1);
    grid->SetRow(40);
    EXPECT_EQ(grid->GetTopRow(), 1);
    grid->GetCellTop();
    EXPECT_TRUE(grid->GetRowIsVisible(40));
}

TEST_F(FlexGridTest, FillStyleRepeatFormatsTheWholeSelection)
{
    grid->SetRow(1);
    grid->SetCol(1);
    grid->SetRowSel(3);
    grid->SetColSel(2);
    grid->SetFillStyle(CFlexGrid::kFillRepeat);
    grid->SetCellAlignment(CFlexGrid::kAlignCenterCenter);
    grid->SetCellBackColor(0x123456);
    grid->SetFillStyle(CFlexGrid::kFillSingle);

    for (int row = 1; row <= 3; ++row) {
        for (int col = 1; col <= 2; ++col) {
            grid->SetRow(row);
            grid->SetCol(col);
            EXPECT_EQ(grid->GetCellAlignment(), CFlexGrid::kAlignCenterCenter);
            EXPECT_EQ(grid->GetCellBackColor(), 0x123456u);
        }
    }
    grid->SetRow(4);
    EXPECT_EQ(grid->GetCellBackColor(), CFlexGrid::kDefaultColor);
    grid->SetRow(1);
    grid->SetCellBackColor(CFlexGrid::kDefaultColor);
    EXPECT_EQ(grid->GetCellBackColor(), CFlexGrid::kDefaultColor);
}

TEST_F(FlexGridTest, ClickOnACellMovesTheCurrentCellAndRaisesTheMouseEvents)
{
    QSignalSpy downs(grid, &CFlexGrid::MouseDown);
    QSignalSpy clicks(grid, &CFlexGrid::Click);
    // The middle of row 3, column 2; the headings lie outside the viewport.
    const int rowPixels = RowPixels(kRowTwips);
    const int colPixels = ColPixels(kColTwips);
    const QPoint inViewport(colPixels * (2 - 1) + colPixels / 2,
                            rowPixels * (3 - 1) + rowPixels / 2);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, inViewport);

    EXPECT_EQ(grid->GetRow(), 3);
    EXPECT_EQ(grid->GetCol(), 2);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(0).value<int16_t>(), CFlexGrid::kButtonLeft);
    EXPECT_EQ(downs.at(0).at(1).value<int16_t>(), CFlexGrid::kShiftMask);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(grid->GetMouseRow(), 3);
    EXPECT_EQ(grid->GetMouseCol(), 2);
}
} // namespace

// A cell's name for screen readers: its text, or with names from headings
// the column's and the row's heading before it, empty cells included; an
// accessible text given to the cell wins.
TEST_F(FlexGridTest, CellNamesFromHeadings)
{
    grid->SetTextMatrix(0, 2, "Environment");
    grid->SetTextMatrix(3, 0, "3");
    grid->SetTextMatrix(3, 2, "Normal");
    const auto cellName = [this](int row, int col) {
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
        QAccessibleInterface* cell = table->tableInterface()->cellAt(row - 1, col - 1);
        return cell != nullptr ? cell->text(QAccessible::Name) : QStringLiteral("<none>");
    };
    EXPECT_EQ(cellName(3, 2), "Normal");
    EXPECT_FALSE(grid->GetCellNamesFromHeadings());

    grid->SetCellNamesFromHeadings(true);
    EXPECT_EQ(cellName(3, 2), "Environment 3: Normal");
    EXPECT_EQ(cellName(4, 2), "Environment") << "an empty cell without a row heading";
    grid->SetTextMatrix(3, 2, "None");
    EXPECT_EQ(cellName(3, 2), "Environment 3: None");
    EXPECT_EQ(grid->GetTextMatrix(3, 2), "None") << "the text itself is untouched";
    grid->item(2, 1)->setData(Qt::AccessibleTextRole, QStringLiteral("own"));
    EXPECT_EQ(cellName(3, 2), "own");

    grid->SetCellNamesFromHeadings(false);
    EXPECT_EQ(cellName(4, 2), "");
    EXPECT_EQ(CFlexGridCell::NameFromHeadings("", "", "x"), "x");
    EXPECT_EQ(CFlexGridCell::NameFromHeadings(" ", "5", ""), "5");
}
