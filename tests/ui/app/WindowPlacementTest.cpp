#include "ui/app/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

CWindowPlacement Placement(int flags, int show, int left, int top, int right, int bottom)
{
    CWindowPlacement p;
    p.flags = flags;
    p.showState = show;
    p.left = left;
    p.top = top;
    p.right = right;
    p.bottom = bottom;
    return p;
}

const QVector<QRect> kOneScreen{QRect(0, 0, 1280, 1024)};

} // namespace

TEST(WindowPlacementText, FormatsTenSignedNumbersAndReadsThemBack)
{
    const CWindowPlacement p = Placement(2, 3, -8, -8, 1288, 1002);
    EXPECT_EQ(FormatPlacement(p), "2:3:-1:-1:-1:-1:-8:-8:1288:1002");
    EXPECT_EQ(ParsePlacement(FormatPlacement(p)), p);
}

TEST(WindowPlacementText, ReadsWhatPercentIAccepts)
{
    // Hexadecimal, octal, signs and leading blanks before a number.
    const auto p = ParsePlacement("0x2: +3:-1:-1:-1:-1:010:0X1f:  900:-0");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->flags, 2);
    EXPECT_EQ(p->showState, 3);
    EXPECT_EQ(p->left, 8);
    EXPECT_EQ(p->top, 31);
    EXPECT_EQ(p->right, 900);
    EXPECT_EQ(p->bottom, 0);
    // Text after the tenth number is ignored.
    EXPECT_TRUE(ParsePlacement("0:1:-1:-1:-1:-1:100:50:900:650 trailing"));
}

TEST(WindowPlacementText, RefusesTextWithoutTenNumbers)
{
    EXPECT_FALSE(ParsePlacement(""));
    EXPECT_FALSE(ParsePlacement("0:1:-1:-1:-1:-1:100:50:900"));      // nine numbers
    EXPECT_FALSE(ParsePlacement("0:1:-1:-1:-1:-1:100:50:900:"));     // tenth missing
    EXPECT_FALSE(ParsePlacement("0:1:-1:-1:-1:-1:100 :50:900:650")); // blank before a colon
    EXPECT_FALSE(ParsePlacement("0:1:-1:-1:-1:-1:08:50:900:650"));   // 8 is no octal digit
    EXPECT_FALSE(ParsePlacement("0;1;-1;-1;-1;-1;100;50;900;650"));
    // A number that does not fit is refused rather than cut down.
    EXPECT_FALSE(ParsePlacement("0:1:-1:-1:-1:-1:99999999999:50:900:650"));
}

TEST(WindowPlacementRestore, KeepsTheCurrentSizeAtTheStoredPosition)
{
    const auto p =
        PlacementToRestore(Placement(0, 1, 100, 50, 900, 650), QSize(800, 600), kOneScreen);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->showState, CWindowPlacement::kShowNormal);
    EXPECT_EQ(p->left, 100);
    EXPECT_EQ(p->top, 50);
    EXPECT_EQ(p->right, 900);
    EXPECT_EQ(p->bottom, 650);

    const auto resized =
        PlacementToRestore(Placement(0, 1, 100, 50, 300, 200), QSize(640, 480), kOneScreen);
    ASSERT_TRUE(resized);
    EXPECT_EQ(resized->right, 740);
    EXPECT_EQ(resized->bottom, 530);
}

TEST(WindowPlacementRestore, NeverOpensMinimisedAndKeepsMaximised)
{
    const auto minimised =
        PlacementToRestore(Placement(0, 2, 100, 50, 900, 650), QSize(800, 600), kOneScreen);
    ASSERT_TRUE(minimised);
    EXPECT_EQ(minimised->showState, CWindowPlacement::kShowNormal);

    const auto maximised =
        PlacementToRestore(Placement(2, 3, 100, 50, 900, 650), QSize(800, 600), kOneScreen);
    ASSERT_TRUE(maximised);
    EXPECT_EQ(maximised->showState, CWindowPlacement::kShowMaximized);
}

TEST(WindowPlacementRestore, IgnoresAPlacementOffEveryScreen)
{
    const QVector<QRect> twoScreens{QRect(0, 0, 1280, 1024), QRect(1280, 0, 1920, 1080)};
    const QSize size(800, 600);
    // On the second screen, and half off the left edge of the first: applied.
    EXPECT_TRUE(PlacementToRestore(Placement(0, 1, 2000, 100, 0, 0), size, twoScreens));
    EXPECT_TRUE(PlacementToRestore(Placement(0, 1, -700, -500, 0, 0), size, twoScreens));
    // Where a third monitor used to be, and just past the corner: not applied.
    EXPECT_FALSE(PlacementToRestore(Placement(0, 1, 3200, 0, 0, 0), size, twoScreens));
    EXPECT_FALSE(PlacementToRestore(Placement(0, 1, -800, -600, 0, 0), size, twoScreens));
    EXPECT_FALSE(
        PlacementToRestore(Placement(0, 1, 0, 1080, 0, 0), size, {QRect(0, 0, 1280, 1080)}));
    EXPECT_FALSE(PlacementToRestore(Placement(0, 1, 2147483000, 0, 0, 0), size, twoScreens));
    EXPECT_FALSE(PlacementToRestore(Placement(0, 1, 0, 0, 0, 0), size, {}));
}

TEST(WindowPlacementSave, RecordsAMinimisedWindowAsItWouldBeRestored)
{
    EXPECT_EQ(PlacementToSave(Placement(2, 2, 10, 20, 30, 40)).showState,
              CWindowPlacement::kShowMaximized);
    EXPECT_EQ(PlacementToSave(Placement(0, 2, 10, 20, 30, 40)).showState,
              CWindowPlacement::kShowNormal);
    const CWindowPlacement maximised = Placement(0, 3, 10, 20, 30, 40);
    EXPECT_EQ(PlacementToSave(maximised), maximised);
}
