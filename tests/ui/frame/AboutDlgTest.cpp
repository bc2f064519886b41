#include "ui/frame/AboutDlg.h"
#include "support/QtTestEnvironment.h"
#include "text/TextCatalog.h"

#include <QDir>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CLineExpectation
{
    int controlId;
    const char* text;
};

// In the order they appear from top to bottom.
const CLineExpectation kLines[] = {
    {2690, "Mic Programming Software"},
    {2686, "For the VHM-81/ VHM-82"},
    {2687, "Version 1.00"},
    {2688, "Release JAN/27/2012"},
    {2693, "Copyright (C) 2012 Zephran Communications. All rights reserved."},
    {2694, "Zephran Communications"},
    {2695, ""},
};

// The height that the label's text needs at the label's width.
int NeededHeight(const QLabel& label)
{
    return label.heightForWidth(label.width());
}

} // namespace

TEST(AboutDlgTest, ShowsEveryLineWholeBetweenTheIconAndTheSunkenLine)
{
    CTextCatalog texts;
    ASSERT_TRUE(texts.SelectLanguage("English"));
    CAboutDlg about(texts);
    about.show();

    EXPECT_EQ(about.windowTitle(), QStringLiteral("About QZM-530RX"));
    EXPECT_EQ(about.OkButton()->text(), QStringLiteral("&OK"));
    EXPECT_TRUE(about.OkButton()->isDefault());
    EXPECT_FALSE(about.IconLabel()->pixmap().isNull());
    EXPECT_FALSE(about.windowIcon().isNull());
    EXPECT_EQ(about.Line(1), nullptr);

    const QRect icon = about.IconLabel()->geometry();
    const QRect line = about.Separator()->geometry();
    const QRect ok = about.OkButton()->geometry();
    EXPECT_LT(icon.right(), about.Line(2690)->x()) << "icon at the left of the first lines";
    EXPECT_LE(icon.top(), about.Line(2690)->y());
    EXPECT_EQ(about.Separator()->frameShape(), QFrame::HLine);
    EXPECT_EQ(about.Separator()->frameShadow(), QFrame::Sunken);
    EXPECT_LT(line.bottom(), ok.top());
    EXPECT_LE(ok.bottom(), about.height());
    EXPECT_LE(line.right(), about.width());

    int previousBottom = -1;
    for (const CLineExpectation& expected : kLines) {
        SCOPED_TRACE(expected.controlId);
        const QLabel* label = about.Line(expected.controlId);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromLatin1(expected.text));
        EXPECT_GT(label->y(), previousBottom) << "lines do not overlap";
        EXPECT_LE(NeededHeight(*label), label->height()) << "the text is not cut";
        EXPECT_LE(label->geometry().right(), about.width());
        previousBottom = label->geometry().bottom();
    }
    EXPECT_LT(previousBottom, line.top());

    QSignalSpy accepted(&about, &QDialog::accepted);
    about.OkButton()->click();
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_FALSE(about.isVisible());
}

TEST(AboutDlgTest, TakesEveryTextFromTheCatalogue)
{
    const QString previous = QDir::currentPath();
    QTemporaryDir dumpFolder; // the ID mode writes its dump file here
    QDir::setCurrent(dumpFolder.path());
    const char* argv[] = {"qzm530rx", "_QV"};
    CTextCatalog texts(2, argv);
    ASSERT_TRUE(texts.SelectLanguage("English"));
    CAboutDlg about(texts);
    QDir::setCurrent(previous);

    EXPECT_EQ(about.windowTitle(), QStringLiteral("ID:10001008"));
    EXPECT_EQ(about.OkButton()->text(), QStringLiteral("ID:10002001"));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(about.Line(kLines[i].controlId)->text(),
                  QStringLiteral("ID:%1").arg(10001001 + i));
    }
    EXPECT_EQ(about.Line(2695)->text(), QString()) << "no entry: an empty line";
}
