#include "ui/memmap/MemoryMapDlg.h"
#include "core/ConfigStore.h"
#include "grid/GridEditor.h"
#include "support/WidgetTestSupport.h"
#include "text/MessageStyle.h"
#include "text/TextCatalog.h"
#include "ui/memmap/InputChar.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

namespace {
constexpr int kLines = 144;
constexpr int kBottomRow = kLines;

struct MemoryMapTest : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(texts.SelectLanguage("English"));
        store.Reset();
        dialog = std::make_unique<CMemoryMapDlg>(&texts);
        dialog->Configure(store.WorkingImage(), store.TransferCopy(), CConfigStore::kImageSize,
                          true, true, std::string());
    }

    void Open()
    {
        ASSERT_TRUE(dialog->Open());
        QApplication::setActiveWindow(dialog.get());
        dialog->Table()->setFocus();
        DeliverPosted();
    }

    int Close()
    {
        dialog->CloseButton()->click();
        return dialog->result();
    }

    void Goto(int row, int col)
    {
        dialog->Table()->SetRow(row);
        dialog->Table()->SetCol(col);
    }

    // Types into the table, which opens the value box for the key.
    void TypeInTable(char ch)
    {
        TypeChar(dialog->Table(), ch);
        DeliverPosted();
    }

    void LeaveValueBox()
    {
        dialog->Table()->setFocus();
        DeliverPosted();
    }

    CGridEditor& Table() { return *dialog->Table(); }

    CTextCatalog texts;
    CConfigStore store{&texts};
    std::unique_ptr<CMemoryMapDlg> dialog;
};

TEST_F(MemoryMapTest, FirstOpeningShowsAddressZeroAtTheBottomWithLabelsAndHeadings)
{
    Open();
    EXPECT_EQ(Table().GetRows(), kLines + 1);
    EXPECT_EQ(Table().GetCols(), CMemoryMapDlg::kColsAscii);
    EXPECT_EQ(Table().GetRow(), kBottomRow);
    EXPECT_EQ(Table().GetCol(), 1);
    EXPECT_EQ(Table().GetTopRow(), 129);
    EXPECT_EQ(dialog->AddressBox()->text(), "00000");
    EXPECT_EQ(dialog->windowTitle(), "Memory Map");
    EXPECT_EQ(dialog->CloseButton()->text(), "&Close");
    EXPECT_EQ(dialog->AsciiCheck()->text(), "ASCII Characters");
    EXPECT_TRUE(dialog->AsciiCheck()->isChecked());

    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 0), "   0000_");
    EXPECT_EQ(Table().GetTextMatrix(1, 0), "   008F_");
    EXPECT_EQ(Table().GetTextMatrix(0, 1), "__0");
    EXPECT_EQ(Table().GetTextMatrix(0, 16), "__F");
    EXPECT_EQ(Table().GetTextMatrix(0, 17), "");
    EXPECT_EQ(Table().GetTextMatrix(0, 18), "__0");
    EXPECT_EQ(Table().GetTextMatrix(0, 33), "__F");

    // A new configuration: 0xAA 0xAA, then 0xFF.
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 1), "AA");
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 3), "FF");
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 18), QString(QChar(0xAA)));
    EXPECT_EQ(Table().GetTextMatrix(129, 16), "FF");
    // Rows never in view stay empty until scrolled to.
    EXPECT_EQ(Table().GetTextMatrix(1, 1), "");
    Table().SetTopRow(1);
    EXPECT_EQ(Table().GetTextMatrix(1, 1), "FF");

    EXPECT_EQ(Table().GetColWidth(1), 420);
    EXPECT_EQ(Table().GetColWidth(0), 750);
    EXPECT_EQ(Table().GetRowHeight(1), 240);
    EXPECT_EQ(Table().GetRowHeight(0), 255);
}

TEST_F(MemoryMapTest, TypingIntoAByteCellCommitsTwoHexDigits)
{
    store.WorkingImage()[0x10] = 0x12;
    Open();
    Goto(kBottomRow - 1, 1);
    EXPECT_EQ(dialog->AddressBox()->text(), "00010");

    TypeInTable('a');
    EXPECT_TRUE(dialog->ValueBox()->isVisible());
    EXPECT_EQ(dialog->ValueBox()->text(), "A");
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow - 1, 1), ""); // covered by the box
    LeaveValueBox();
    EXPECT_FALSE(dialog->ValueBox()->isVisible());
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow - 1, 1), "0A");
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow - 1, 18), QString(QChar(0x0A)));
    EXPECT_EQ(store.TransferCopy()[0x10], 0x0A);
    EXPECT_EQ(store.WorkingImage()[0x10], 0x12); // only on closing

    EXPECT_EQ(Close(), MessageAnswer::kOk);
    EXPECT_EQ(store.WorkingImage()[0x10], 0x0A);
}

TEST_F(MemoryMapTest, EmptiedByteCellBecomesFFAndEscapeKeepsTheFormerValue)
{
    store.WorkingImage()[0x21] = 0x34;
    Open();
    Goto(kBottomRow - 2, 2);
    SendKey(&Table(), Qt::Key_Delete);
    DeliverPosted();
    EXPECT_TRUE(dialog->ValueBox()->isVisible());
    EXPECT_EQ(dialog->ValueBox()->text(), "");
    LeaveValueBox();
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow - 2, 2), "FF");
    EXPECT_EQ(store.TransferCopy()[0x21], 0xFF);

    // Enter opens the box; typing and then Esc puts the old text back.
    SendKey(&Table(), Qt::Key_Return);
    DeliverPosted();
    TypeChar(dialog->ValueBox(), '7');
    DeliverPosted();
    SendKey(dialog->ValueBox(), Qt::Key_Escape);
    DeliverPosted();
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow - 2, 2), "FF");
    EXPECT_EQ(store.TransferCopy()[0x21], 0xFF);

    // One digit is the low digit; Enter commits and moves on to the right.
    TypeInTable('7');
    SendKey(dialog->ValueBox(), Qt::Key_Return);
    DeliverPosted();
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow - 2, 2), "07");
    EXPECT_EQ(store.TransferCopy()[0x21], 0x07);
    EXPECT_EQ(Table().GetCol(), 3);
}

TEST_F(MemoryMapTest, CharacterCellsWriteTheCharacterCodeAndEmptyMeansZero)
{
    Open();
    Goto(kBottomRow, 18 + 4);
    TypeInTable('Q');
    EXPECT_EQ(dialog->ValueBox()->text(), "Q");
    LeaveValueBox();
    EXPECT_EQ(store.TransferCopy()[4], 'Q');
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 5), "51");
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 22), "Q");

    SendKey(&Table(), Qt::Key_Backspace);
    LeaveValueBox();
    EXPECT_EQ(store.TransferCopy()[4], 0x00);
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 5), "00");
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 22), "");

    // Editing the separator moves to the first character column instead.
    Goto(kBottomRow, CMemoryMapDlg::kSeparatorCol);
    EXPECT_EQ(dialog->AddressBox()->text(), "");
    SendKey(&Table(), Qt::Key_Return);
    EXPECT_EQ(Table().GetCol(), CMemoryMapDlg::kFirstCharCol);
    EXPECT_FALSE(dialog->ValueBox()->isVisible());
}

TEST_F(MemoryMapTest, AddressBoxJumpsWithinTheImageAndRefusesAnythingElse)
{
    Open();
    dialog->AddressBox()->setFocus();
    dialog->AddressBox()->setText("8FF");
    SendKey(dialog->AddressBox(), Qt::Key_Return);
    DeliverPosted();
    EXPECT_EQ(Table().GetRow(), 1);
    EXPECT_EQ(Table().GetCol(), 16);
    EXPECT_EQ(Table().GetTopRow(), 1);
    EXPECT_EQ(dialog->AddressBox()->text(), "008FF");
    EXPECT_EQ(Table().GetTextMatrix(1, 16), "FF"); // the new view was filled

    const char* refused[] = {"900", "FFFFF", "", "1G", " 12", "-1"};
    for (const char* text : refused) {
        dialog->AddressBox()->setFocus();
        dialog->AddressBox()->setText(QString::fromLatin1(text)); // as pasted
        Table().setFocus();
        DeliverPosted();
        EXPECT_EQ(Table().GetRow(), 1) << text;
        EXPECT_EQ(Table().GetCol(), 16) << text;
        EXPECT_EQ(dialog->AddressBox()->text(), "008FF") << text;
    }

    dialog->AddressBox()->setFocus();
    dialog->AddressBox()->setText("123");
    Table().setFocus();
    EXPECT_EQ(Table().GetRow(), kLines - 0x12);
    EXPECT_EQ(Table().GetCol(), 4);
    EXPECT_EQ(Table().GetTopRow(), kLines - 16 - 15);
}

TEST_F(MemoryMapTest, PastedTextThatIsNotHexLeavesTheByteAsItWas)
{
    store.WorkingImage()[0x05] = 0x5A;
    Open();
    Goto(kBottomRow, 6);
    SendKey(&Table(), Qt::Key_Return);
    dialog->ValueBox()->setText("zz");
    LeaveValueBox();
    EXPECT_EQ(store.TransferCopy()[0x05], 0x5A);
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 6), "5A");
}

TEST_F(MemoryMapTest, ClosingWithoutANetChangeReturnsCancelAndLeavesTheData)
{
    Open();
    Goto(kBottomRow, 3);
    TypeInTable('1');
    LeaveValueBox();
    EXPECT_EQ(store.TransferCopy()[2], 0x01);
    Goto(kBottomRow, 3);
    TypeInTable('f');
    TypeChar(dialog->ValueBox(), 'f');
    DeliverPosted();
    LeaveValueBox();
    EXPECT_EQ(store.TransferCopy()[2], 0xFF);
    EXPECT_EQ(Close(), MessageAnswer::kCancel);
    EXPECT_FALSE(store.IsModified());

    // Edits that were not closed with Close never reach the data.
    Open();
    Goto(kBottomRow, 3);
    TypeInTable('1');
    LeaveValueBox();
    dialog->reject();
    EXPECT_EQ(store.WorkingImage()[2], 0xFF);
}

TEST_F(MemoryMapTest, HidingTheCharactersMovesToTheMatchingByteColumnAndShrinksTheWindow)
{
    Open();
    Goto(kBottomRow - 3, 20);
    const QRect before = dialog->geometry();
    dialog->AsciiCheck()->click();
    EXPECT_FALSE(dialog->AsciiShown());
    EXPECT_EQ(Table().GetCols(), CMemoryMapDlg::kColsPlain);
    EXPECT_EQ(Table().GetRow(), kBottomRow - 3);
    EXPECT_EQ(Table().GetCol(), 3);
    EXPECT_EQ(dialog->geometry().width(), before.width() - 2 * 238);
    EXPECT_EQ(dialog->geometry().x(), before.x() + 238);

    dialog->AsciiCheck()->click();
    EXPECT_EQ(Table().GetCols(), CMemoryMapDlg::kColsAscii);
    EXPECT_EQ(dialog->geometry().width(), before.width());
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 18), QString(QChar(0xAA)));
    EXPECT_EQ(Table().GetTextMatrix(0, 33), "__F");
}

TEST_F(MemoryMapTest, ArrowsAtTheEndsOfALineMoveToTheNextAddress)
{
    Open();
    // Right at the end of the top line stays.
    Goto(1, 16);
    SendKey(&Table(), Qt::Key_Right);
    DeliverPosted();
    EXPECT_EQ(Table().GetRow(), 1);
    EXPECT_EQ(Table().GetCol(), 16);

    Goto(kBottomRow, 16);
    SendKey(&Table(), Qt::Key_Right);
    DeliverPosted();
    EXPECT_EQ(Table().GetRow(), kBottomRow - 1);
    EXPECT_EQ(Table().GetCol(), 1);
    EXPECT_EQ(dialog->AddressBox()->text(), "00010");

    SendKey(&Table(), Qt::Key_Left);
    DeliverPosted();
    EXPECT_EQ(Table().GetRow(), kBottomRow);
    EXPECT_EQ(Table().GetCol(), 16);

    // Left at address 0 stays; the character area wraps the same way.
    Goto(kBottomRow, 1);
    SendKey(&Table(), Qt::Key_Left);
    DeliverPosted();
    EXPECT_EQ(Table().GetRow(), kBottomRow);
    EXPECT_EQ(Table().GetCol(), 1);
    Goto(kBottomRow, 33);
    SendKey(&Table(), Qt::Key_Right);
    EXPECT_EQ(Table().GetRow(), kBottomRow - 1);
    EXPECT_EQ(Table().GetCol(), 18);

    // Ctrl+Tab switches between the areas.
    Goto(kBottomRow, 5);
    SendKey(&Table(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Table().GetCol(), 22);
    SendKey(&Table(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Table().GetCol(), 5);
}

TEST_F(MemoryMapTest, HomeEndAndKeysTheBoxWouldRefuse)
{
    Open();
    Goto(kBottomRow - 1, 25);
    SendKey(&Table(), Qt::Key_Home);
    EXPECT_EQ(Table().GetCol(), CMemoryMapDlg::kFirstCharCol);
    EXPECT_EQ(Table().GetRow(), kBottomRow - 1);
    SendKey(&Table(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Table().GetRow(), 1);
    EXPECT_TRUE(Table().GetRowIsVisible(1));

    Goto(2, 4);
    SendKey(&Table(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Table().GetCol(), 16);
    EXPECT_EQ(Table().GetRow(), kBottomRow);
    EXPECT_TRUE(Table().GetRowIsVisible(kBottomRow));

    // "g" is no hexadecimal digit: no edit begins.
    TypeInTable('g');
    EXPECT_FALSE(dialog->ValueBox()->isVisible());
    EXPECT_EQ(Table().GetCol(), 16);
}

TEST_F(MemoryMapTest, EnterOnCloseClosesAndEscapeCancelsWithoutCopying)
{
    Open();
    Goto(kBottomRow, 8);
    TypeInTable('3');
    LeaveValueBox();
    SendKey(&Table(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_NE(dialog->result(), MessageAnswer::kOk);
    EXPECT_EQ(store.WorkingImage()[7], 0xFF);

    Open();
    EXPECT_EQ(store.TransferCopy()[7], 0xFF); // the buffer starts from the data again
    Goto(kBottomRow, 8);
    TypeInTable('3');
    LeaveValueBox();
    dialog->CloseButton()->setFocus();
    SendKey(dialog->CloseButton(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), MessageAnswer::kOk);
    EXPECT_EQ(store.WorkingImage()[7], 0x03);
}

TEST_F(MemoryMapTest, PositionIsKeptBetweenOpenings)
{
    Open();
    Goto(40, 7);
    Table().SetTopRow(33);
    Close();
    Open();
    EXPECT_EQ(Table().GetRow(), 40);
    EXPECT_EQ(Table().GetCol(), 7);
    EXPECT_EQ(Table().GetTopRow(), 33);
    EXPECT_EQ(Table().GetTextMatrix(40, 7), "FF");
}

TEST_F(MemoryMapTest, WithoutCharactersOrAddressBoxTheWindowIsNarrowAndTheAddressReadOnly)
{
    dialog->Configure(nullptr, nullptr, 0, false, false, "Raw");
    Open();
    EXPECT_EQ(dialog->windowTitle(), "Raw");
    EXPECT_EQ(Table().GetCols(), CMemoryMapDlg::kColsPlain);
    EXPECT_FALSE(dialog->AsciiCheck()->isVisible());
    EXPECT_FALSE(dialog->AddressBox()->isVisible());
    EXPECT_TRUE(dialog->AddressText()->isVisible());
    EXPECT_EQ(dialog->AddressText()->text(), "00000");
    EXPECT_LT(dialog->width(), 529);
    // The data given first is kept.
    EXPECT_EQ(Table().GetTextMatrix(kBottomRow, 1), "AA");
}

TEST(MemoryMapUnconfigured, DoesNotOpen)
{
    CMemoryMapDlg dialog(nullptr);
    EXPECT_EQ(dialog.Run(), CMemoryMapDlg::kNotRun);
    EXPECT_FALSE(dialog.isVisible());
}
} // namespace
