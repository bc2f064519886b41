#include "ui/shared/QtMessagePresenter.h"
#include "text/MessageStyle.h"
#include "text/TextCatalog.h"
#include "ui/shared/WindowTexts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct CStyleCase
{
    unsigned style;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::StandardButton escapeButton;
};

// The styles the program uses, and the button sets with the second default.
const CStyleCase kStyleCases[] = {
    {0x10, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok},
    {0x40, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok},
    {0x21, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
     QMessageBox::Cancel},
    {0x131, QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel,
     QMessageBox::Cancel},
    {0x33, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
     QMessageBox::Yes, QMessageBox::Cancel},
    {0x133, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
     QMessageBox::No, QMessageBox::Cancel},
    {0x00, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok},
    // Single OK: "second button" has nothing to point at.
    {0x100, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok},
};

// Presses a button of the message box that is open now, once the modal loop
// runs; the box never waits for a person.
void PressSoon(QMessageBox::StandardButton which)
{
    QTimer::singleShot(
        0,
        [which] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box && box->isVisible()) {
                    QAbstractButton* button =
                        which == QMessageBox::NoButton
                            ? static_cast<QAbstractButton*>(box->defaultButton())
                            : box->button(which);
                    if (button)
                        button->click();
                    else
                        box->reject();
                }
            }
        });
}

} // namespace

TEST(QtMessagePresenter, StyleValuesGiveIconButtonsAndDefault)
{
    for (const CStyleCase& c : kStyleCases) {
        SCOPED_TRACE(testing::Message() << std::hex << "style 0x" << c.style);
        EXPECT_EQ(IconForStyle(c.style), c.icon);
        EXPECT_EQ(ButtonsForStyle(c.style), c.buttons);
        EXPECT_EQ(DefaultButtonForStyle(c.style), c.defaultButton);
        EXPECT_EQ(EscapeButtonForStyle(c.style), c.escapeButton);
    }
}

TEST(QtMessagePresenter, ButtonsGiveThePlatformsAnswerCodes)
{
    EXPECT_EQ(AnswerForButton(QMessageBox::Ok), 1);
    EXPECT_EQ(AnswerForButton(QMessageBox::Cancel), 2);
    EXPECT_EQ(AnswerForButton(QMessageBox::Yes), 6);
    EXPECT_EQ(AnswerForButton(QMessageBox::No), 7);
    EXPECT_EQ(AnswerForButton(QMessageBox::NoButton), 2);
}

TEST(QtMessagePresenter, BoxShowsTheTextsAsPlainSingleByteTextUnderItsOwner)
{
    CQtMessagePresenter presenter;
    QWidget mainWindow;
    QWidget dialog;

    auto unowned = presenter.BuildBox(nullptr, "a <b>b</b>", "T\xe9l", 0x30);
    EXPECT_EQ(unowned->parentWidget(), nullptr); // no main window yet
    EXPECT_EQ(unowned->text(), QStringLiteral("a <b>b</b>"));
    EXPECT_EQ(unowned->textFormat(), Qt::PlainText);
    EXPECT_EQ(unowned->windowTitle(), QString::fromUtf8("T\xc3\xa9l"));

    presenter.SetMainWindow(&mainWindow);
    EXPECT_EQ(presenter.BuildBox(nullptr, "x", "y", 0)->parentWidget(), &mainWindow);
    EXPECT_EQ(presenter.BuildBox(&dialog, "x", "y", 0)->parentWidget(), &dialog);
}

TEST(QtMessagePresenter, PresentReturnsTheAnswerOfThePressedButton)
{
    CQtMessagePresenter presenter;
    PressSoon(QMessageBox::NoButton); // the default: Cancel for 0x131
    EXPECT_EQ(presenter.Present(nullptr, "All data will be cleared.", "Warning", 0x131), 2);
    PressSoon(QMessageBox::No);
    EXPECT_EQ(presenter.Present(nullptr, "Save?", "QZM-530RX", 0x33), 7);
    PressSoon(QMessageBox::Yes);
    EXPECT_EQ(presenter.Present(nullptr, "Save?", "QZM-530RX", 0x33), 6);
    PressSoon(QMessageBox::Ok);
    EXPECT_EQ(presenter.Present(nullptr, "Reading completed.", "Read Data", 0x40), 1);
}

TEST(WindowTexts, DialogButtonsAndCaptionTakeCatalogueTexts)
{
    QTemporaryDir dumpFolder;
    const char* argv[] = {"qzm530rx", "_QV"};
    CTextCatalog plain;
    CTextCatalog ids(2, argv);
    ids.SetDumpFolder(dumpFolder.path().toStdString());
    ASSERT_TRUE(plain.SelectLanguage("English"));
    ASSERT_TRUE(ids.SelectLanguage("English"));

    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Close);
    SetStandardButtonTexts(plain, box);
    EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("&OK"));
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("&Cancel"));
    EXPECT_EQ(box.button(QDialogButtonBox::Close)->text(), QStringLiteral("&Close"));

    QWidget dialog;
    SetDialogCaption(dialog, ids, 146);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ID:146"));
    SetStandardButtonTexts(ids, box);
    EXPECT_EQ(box.button(QDialogButtonBox::Close)->text(), QStringLiteral("ID:10002003"));
}
