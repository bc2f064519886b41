#include "ui/memmap/InputChar.h"
#include "support/WidgetTestSupport.h"
#include "ui/shared/DialogUnits.h"

#include <QApplication>
#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {
// A parent that counts the focus notifications of its fields.
class CNotifiedParent : public QWidget
{
public:
    bool event(QEvent* event) override
    {
        if (event->type() == CInputChar::kFocusNotify) {
            ++notifications;
            return true;
        }
        return QWidget::event(event);
    }
    int notifications = 0;
};

void TypeText(CInputChar& field, const char* text)
{
    for (const char* p = text; *p != '\0'; ++p) {
        TypeChar(&field, *p);
        DeliverPosted();
    }
}

TEST(InputChar, FieldWhoseKindWasNeverSetAcceptsNoTyping)
{
    CInputChar field;
    TypeText(field, "a1 -");
    EXPECT_EQ(field.text(), "");
    EXPECT_EQ(field.contextMenuPolicy(), Qt::NoContextMenu);
}

TEST(InputChar, HexKindTakesDigitsAndFoldsAToFToUpperCase)
{
    CInputChar field;
    field.SetKind(CInputChar::kKindHex);
    TypeText(field, "b");
    EXPECT_EQ(field.text(), "B");
    TypeText(field, "g- z9");
    EXPECT_EQ(field.text(), "B9");
    SendKey(&field, Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(field.text(), "B");
    // Ctrl+V types a control character: not for a hexadecimal field.
    SendKey(&field, Qt::Key_V, Qt::ControlModifier, QString(QChar(0x16)));
    EXPECT_EQ(field.text(), "B");

    field.setMaxLength(2);
    field.clear();
    TypeText(field, "abc");
    EXPECT_EQ(field.text(), "AB");
}

TEST(InputChar, AnyKindTakesEveryCharacter)
{
    CInputChar field;
    field.SetKind(CInputChar::kKindAny);
    TypeText(field, "a-Z ");
    EXPECT_EQ(field.text(), "a-Z ");
}

TEST(InputChar, WouldAcceptAsksTheFilterWithTheUpperCasedCharacterAndTypesNothing)
{
    CInputChar field;
    field.SetKind(CInputChar::kKindHex);
    EXPECT_TRUE(field.WouldAccept(QKeyEvent(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c")));
    EXPECT_TRUE(field.WouldAccept(QKeyEvent(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, "7")));
    EXPECT_FALSE(field.WouldAccept(QKeyEvent(QEvent::KeyPress, Qt::Key_G, Qt::NoModifier, "g")));
    EXPECT_FALSE(
        field.WouldAccept(QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ")));
    EXPECT_FALSE(field.WouldAccept(QKeyEvent(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier)));
    EXPECT_FALSE(
        field.WouldAccept(QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b")));
    EXPECT_FALSE(
        field.WouldAccept(QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, "\b")));
    EXPECT_EQ(field.text(), "");

    field.SetKind(CInputChar::kKindNone);
    EXPECT_FALSE(field.WouldAccept(QKeyEvent(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c")));
}

TEST(InputChar, GainingTheFocusSelectsEverythingAndNotifiesTheParent)
{
    CNotifiedParent parent;
    CInputChar first(&parent);
    CInputChar field(&parent);
    field.SetKind(CInputChar::kKindHex);
    field.setMaxLength(2);
    field.setText("12");
    parent.show();
    QApplication::setActiveWindow(&parent);
    first.setFocus();
    DeliverPosted();
    const int before = parent.notifications;

    field.setFocus(Qt::MouseFocusReason);
    DeliverPosted();
    EXPECT_EQ(field.selectedText(), "12");
    EXPECT_EQ(parent.notifications, before + 1);
    TypeText(field, "3a");
    EXPECT_EQ(field.text(), "3A");
}

TEST(DialogUnits, ScaleByTheFontsAverageWidthAndHeight)
{
    const QFont font;
    const CDialogUnits units(font);
    const QFontMetrics metrics(font);
    EXPECT_EQ(units.BaseHeight(), metrics.height());
    EXPECT_GT(units.BaseWidth(), 0);
    EXPECT_EQ(units.ToPixelsX(4), units.BaseWidth());
    EXPECT_EQ(units.ToPixelsY(8), units.BaseHeight());
    EXPECT_EQ(units.ToPixelsX(400), units.BaseWidth() * 100);
    const QRect rect = units.ToPixels(4, 8, 8, 16);
    EXPECT_EQ(rect, QRect(units.BaseWidth(), units.BaseHeight(), 2 * units.BaseWidth(),
                          2 * units.BaseHeight()));
}
} // namespace
