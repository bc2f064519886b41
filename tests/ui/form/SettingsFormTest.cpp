#include "ui/form/FormRig.h"

#include "core/ConfigStore.h"
#include "grid/GridEditor.h"
#include "support/RecordingPresenter.h"
#include "support/WidgetTestSupport.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"
#include "ui/form/QZM530RXView.h"
#include "ui/frame/HelpDocument.h"
#include "ui/memmap/MemoryMapDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

namespace S = SettingId;

// Sets a setting word in a 2304-byte image.
void PutWord(uint8_t* image, std::size_t offset, uint16_t word)
{
    image[offset] = static_cast<uint8_t>(word & 0xFF);
    image[offset + 1] = static_cast<uint8_t>(word >> 8);
}

constexpr std::size_t kNoiseCancelOffset = 2;
constexpr std::size_t kAttenuationOffset = 10;
constexpr std::size_t kBatterySaveOffset = 12;
constexpr std::size_t kPreset1Offset = 14;
constexpr std::size_t kSelfProgrammingOffset = 24;
constexpr std::size_t kTxLedOffset = 26;

} // namespace

TEST(SettingsForm, FirstDisplayShowsANewConfigurationAndFitsTheFrame)
{
    CFormRig rig;
    rig.store.WorkingImage()[40] = 0x12; // gone with the new configuration
    rig.link.SetPortNumber(7);
    EXPECT_FALSE(rig.view->FirstDisplayDone());
    rig.Show();
    ASSERT_TRUE(rig.view->FirstDisplayDone());

    EXPECT_EQ(rig.store.WorkingImage()[40], CConfigStore::kEmptyByte);
    EXPECT_FALSE(rig.store.IsModified());

    // The frame shrank to the form, whose size is fixed.
    EXPECT_EQ(rig.view->size(), rig.view->minimumSize());
    EXPECT_EQ(rig.view->minimumSize(), rig.view->maximumSize());
    EXPECT_EQ(rig.frame->size(), rig.view->size());

    // Catalogue texts where the catalogue has one, the template's elsewhere.
    EXPECT_EQ(rig.Check(S::kNoiseCancellation)->text(), "Noise Cancellation");
    EXPECT_EQ(rig.Check(S::kSelfProgramming)->text(), "Self Programming Mode");
    EXPECT_EQ(rig.Button(FormId::kWriteButton)->text(), " &Write");
    EXPECT_EQ(rig.Button(FormId::kMemoryMapButton)->text(), "* &Memory Map");
    EXPECT_EQ(rig.view->PortLabel()->text(), " COM7");
    EXPECT_FALSE(rig.Button(FormId::kPortButton)->icon().isNull());

    // Check boxes as wide as their caption and 21 pixels.
    QCheckBox* battery = rig.Check(S::kBatterySave);
    EXPECT_EQ(battery->width(),
              QFontMetrics(battery->font()).horizontalAdvance("Battery Save") + 21);

    // Every setting of the new configuration.
    const struct
    {
        int id;
        bool on;
    } switches[] = {{S::kNoiseCancellation, true}, {S::kHighSpeedFollow, true},
                    {S::kMicPosition, true},       {S::kLowNoiseLevel, false},
                    {S::kBatterySave, false},      {S::kSelfProgramming, false},
                    {S::kTestMode, false}};
    for (const auto& s : switches) {
        EXPECT_EQ(rig.Check(s.id)->isChecked(), s.on) << s.id;
        EXPECT_EQ(rig.view->ControlValue(s.id), s.on ? 1 : 0) << s.id;
    }
    for (const int id : {S::kAttenuationLevel, S::kFrontMicSense, S::kRearMicSense}) {
        EXPECT_EQ(rig.List(id)->currentText(), "0dB") << id;
        EXPECT_EQ(rig.List(id)->count(), 16) << id;
    }
    EXPECT_EQ(rig.view->ControlValue(S::kAttenuationLevel), 10);
    EXPECT_EQ(rig.List(S::kTxLed)->currentText(), "Normal");
    EXPECT_EQ(rig.List(S::kTxLed)->count(), 3);
    EXPECT_EQ(rig.List(S::kPreset1)->count(), 6);
    EXPECT_EQ(rig.List(S::kPreset2)->count(), 7);

    // The preset table.
    CGridEditor* table = rig.Table();
    EXPECT_EQ(table->GetRows(), 6);
    EXPECT_EQ(table->GetCols(), 2);
    EXPECT_EQ(table->GetTextMatrix(0, 0), "No.");
    EXPECT_EQ(table->GetTextMatrix(0, 1), "Environment");
    EXPECT_EQ(table->GetColWidth(0), 600);
    EXPECT_EQ(table->GetColWidth(1), 2100);
    EXPECT_EQ(rig.Cell(1), "Normal");
    for (int row = 2; row <= 5; ++row) {
        EXPECT_EQ(table->GetTextMatrix(row, 0), QString::number(row));
        EXPECT_EQ(rig.Cell(row), "None") << row;
    }
    EXPECT_EQ(table->GetRow(), 1);
    EXPECT_EQ(table->GetCol(), 1);
    EXPECT_EQ(table->PageRows(), 5) << "every preset row in view";
    EXPECT_TRUE(table->GetRowIsVisible(5));
    EXPECT_EQ(table->font().family(), "Arial");
    EXPECT_DOUBLE_EQ(table->font().pointSizeF(), 8.25);

    // Visibility: the in-place lists and "High-speed Followability" hidden.
    for (const int id :
         {S::kPreset1, S::kPreset2, S::kPreset3, S::kPreset4, S::kPreset5, S::kHighSpeedFollow})
        EXPECT_FALSE(rig.view->Control(id)->isVisible()) << id;
    for (const int id : {FormId::kPresetTable, FormId::kPortLabel, FormId::kExitButton,
                         S::kPowerOnHint, S::kTxLed})
        EXPECT_TRUE(rig.view->Control(id)->isVisible()) << id;
    // The memory map is configured over the whole image.
    EXPECT_EQ(rig.view->MemoryMap()->Lines(), 144);
}

TEST(SettingsForm, TabOrderFollowsTheTemplate)
{
    CFormRig rig;
    rig.Show();
    const int order[] = {
        S::kNoiseCancellation, FormId::kPresetTable, S::kSelfProgramming, S::kLowNoiseLevel,
        S::kMicPosition,       S::kAttenuationLevel, S::kBatterySave,     S::kTxLed,
        S::kFrontMicSense,     S::kRearMicSense,     S::kTestMode,        FormId::kMemoryMapButton,
        FormId::kReadButton,   FormId::kWriteButton, FormId::kPortButton, FormId::kHelpButton,
        FormId::kExitButton};
    rig.Check(S::kNoiseCancellation)->setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        SendKey(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), rig.view->Control(order[i])) << order[i];
    }
}

TEST(SettingsForm, AvailabilityAndShadingFollowTheSwitches)
{
    CFormRig rig;
    rig.Show();
    // Noise cancellation on, self programming off: only row 1 can be edited.
    EXPECT_FALSE(rig.RowShaded(1));
    for (int row = 2; row <= 5; ++row)
        EXPECT_TRUE(rig.RowShaded(row)) << row;
    for (const int id : {S::kSelfProgramming, S::kLowNoiseLevel, S::kMicPosition,
                         S::kAttenuationLevel, S::kBatterySave, S::kPowerOnHint})
        EXPECT_TRUE(rig.view->Control(id)->isEnabled()) << id;

    rig.FocusCell(2);
    SendKey(rig.Table(), Qt::Key_Return);
    EXPECT_FALSE(rig.List(S::kPreset2)->isVisible()) << "row 2 may not be edited";

    rig.Check(S::kSelfProgramming)->click();
    EXPECT_EQ(rig.store.GetWord(S::kSelfProgramming), 0x0001);
    for (int row = 1; row <= 5; ++row)
        EXPECT_FALSE(rig.RowShaded(row)) << row;

    rig.Check(S::kNoiseCancellation)->click();
    EXPECT_EQ(rig.store.WorkingImage()[kNoiseCancelOffset], 0x00);
    EXPECT_EQ(rig.store.WorkingImage()[kNoiseCancelOffset + 1], 0x00);
    for (int row = 1; row <= 5; ++row)
        EXPECT_TRUE(rig.RowShaded(row)) << row;
    for (const int id : {S::kSelfProgramming, S::kLowNoiseLevel, S::kMicPosition,
                         S::kAttenuationLevel, S::kBatterySave, S::kPowerOnHint})
        EXPECT_FALSE(rig.view->Control(id)->isEnabled()) << id;
    for (const int id : {S::kTxLed, S::kFrontMicSense, S::kTestMode, FormId::kPresetTable})
        EXPECT_TRUE(rig.view->Control(id)->isEnabled()) << id;

    // A click on a shaded cell opens nothing.
    const QRect cell = rig.Table()->visualRect(rig.Table()->model()->index(0, 0));
    QTest::mouseClick(rig.Table()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_FALSE(rig.List(S::kPreset1)->isVisible());

    rig.Check(S::kNoiseCancellation)->click();
    QTest::mouseClick(rig.Table()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(rig.List(S::kPreset1)->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), rig.List(S::kPreset1));
    EXPECT_EQ(rig.view->RefocusTarget(), rig.Table());
}

TEST(SettingsForm, SwitchingNoiseCancellationOffTakesVoiceRecognitionAway)
{
    CFormRig rig;
    rig.Show();
    QComboBox* txLed = rig.List(S::kTxLed);
    txLed->setFocus();
    SendKey(txLed, Qt::Key_Down); // "Normal" to "Voice Recognition"
    EXPECT_EQ(txLed->currentText(), "Voice Recognition");
    EXPECT_EQ(rig.store.GetWord(S::kTxLed), 1);

    rig.Check(S::kNoiseCancellation)->click();
    EXPECT_EQ(rig.store.GetWord(S::kTxLed), 0);
    EXPECT_EQ(txLed->count(), 2);
    EXPECT_EQ(txLed->currentText(), "Normal");
    EXPECT_EQ(rig.view->ControlValue(S::kTxLed), 1);

    rig.Check(S::kNoiseCancellation)->click();
    EXPECT_EQ(txLed->count(), 3);
    EXPECT_EQ(txLed->currentText(), "Normal");
}

TEST(SettingsForm, TypeAheadOpensTheRowsListOnTheNextMatchingOption)
{
    CFormRig rig;
    rig.Show();
    rig.FocusCell(1);
    TypeChar(rig.Table(), 'h');
    QComboBox* list = rig.List(S::kPreset1);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), list);
    DeliverPosted();
    EXPECT_EQ(list->currentText(), "High Background Noise");
    EXPECT_EQ(rig.store.GetWord(S::kPreset1), 2);
    // The list lies over the cell.
    const QRect cell = rig.Table()->visualRect(rig.Table()->model()->index(0, 0));
    const QPoint cellCentre = rig.Table()->viewport()->mapTo(rig.view, cell.center());
    EXPECT_TRUE(list->geometry().contains(cellCentre));

    // A key that begins no option goes on to the table.
    SendKey(list, Qt::Key_Escape);
    TypeChar(rig.Table(), 'q');
    EXPECT_FALSE(list->isVisible());
}

TEST(SettingsForm, EscapeInAPresetListKeepsTheChoice)
{
    CFormRig rig;
    rig.Show();
    QComboBox* list = rig.OpenFirstPresetList();
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->currentText(), "Normal");
    SendKey(list, Qt::Key_Down);
    EXPECT_EQ(rig.store.GetWord(S::kPreset1), 1); // "Siren Audible", at once

    SendKey(list, Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), rig.Table());
    EXPECT_FALSE(list->isVisible());
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(rig.Cell(1), "Siren Audible");
    EXPECT_EQ(rig.store.GetWord(S::kPreset1), 1);
    EXPECT_EQ(rig.Table()->GetRow(), 1);
}

TEST(SettingsForm, EnterInAPresetListMovesToTheNextRow)
{
    CFormRig rig;
    rig.Show();
    rig.Check(S::kSelfProgramming)->click();
    rig.FocusCell(2);
    SendKey(rig.Table(), Qt::Key_Delete);
    QComboBox* list = rig.List(S::kPreset2);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->currentText(), "None");
    SendKey(list, Qt::Key_Down);
    SendKey(list, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), rig.Table());
    EXPECT_EQ(rig.Table()->GetRow(), 3);
    EXPECT_EQ(rig.Cell(2), "Normal");
    EXPECT_EQ(rig.store.GetWord(S::kPreset2), 0);
    // Row 3 went unchanged: its word still shows the fallback.
    EXPECT_EQ(rig.store.GetWord(S::kPreset3), 0xFFFF);
}

TEST(SettingsForm, EnterMovesOnFromCheckBoxesAndPressesCommandButtons)
{
    CFormRig rig;
    rig.Show();
    QCheckBox* lowNoise = rig.Check(S::kLowNoiseLevel);
    lowNoise->setFocus();
    SendKey(lowNoise, Qt::Key_Return);
    EXPECT_FALSE(lowNoise->isChecked());
    EXPECT_EQ(rig.store.GetWord(S::kLowNoiseLevel), 0xFFFF);
    EXPECT_EQ(QApplication::focusWidget(), rig.Check(S::kMicPosition));

    QPushButton* port = rig.Button(FormId::kPortButton);
    port->setFocus();
    SendKey(port, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), rig.Button(FormId::kHelpButton));

    rig.presenter.SetNextAnswer(MessageAnswer::kCancel);
    QPushButton* read = rig.Button(FormId::kReadButton);
    read->setFocus();
    SendKey(read, Qt::Key_Return);
    ASSERT_EQ(rig.presenter.boxes.size(), 1u);
    EXPECT_EQ(rig.presenter.boxes[0].text, "Is it OK to read data?");
}

TEST(SettingsForm, HelpAndExitButtonsAndF1OutsideTheLists)
{
    CFormRig rig;
    rig.Show();
    std::vector<QString> opened;
    HelpDocument::SetOpener([&opened](const QString& path) { opened.push_back(path); });
    rig.Button(FormId::kHelpButton)->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].endsWith("QZM-530RX_Help_Eng.pdf"));

    rig.Check(S::kTestMode)->setFocus();
    SendKey(rig.Check(S::kTestMode), Qt::Key_F1);
    rig.FocusCell(1);
    SendKey(rig.Table(), Qt::Key_F1);
    EXPECT_EQ(opened.size(), 3u);

    // F1 in an open list only closes it.
    SendKey(rig.Table(), Qt::Key_Return);
    SendKey(rig.List(S::kPreset1), Qt::Key_F1);
    EXPECT_EQ(opened.size(), 3u);
    EXPECT_EQ(QApplication::focusWidget(), rig.Table());
    HelpDocument::SetOpener({});

    QSignalSpy exit(rig.view, &CQZM530RXView::exitRequested);
    rig.Button(FormId::kExitButton)->click();
    EXPECT_EQ(exit.count(), 1);
}

TEST(SettingsForm, ReadConfirmedShowsTheMicrophonesSettings)
{
    CFormRig rig;
    rig.Show();
    auto& image = rig.mic.GetImage();
    image.fill(0xFF);
    PutWord(image.data(), kNoiseCancelOffset, 0x0000);
    PutWord(image.data(), kAttenuationOffset, 15);
    PutWord(image.data(), kPreset1Offset, 3);

    rig.Button(FormId::kReadButton)->click();
    ASSERT_EQ(rig.presenter.boxes.size(), 2u);
    EXPECT_EQ(rig.presenter.boxes[0].text, "Is it OK to read data?");
    EXPECT_EQ(rig.presenter.boxes[0].title, "Confirmation");
    EXPECT_EQ(rig.presenter.boxes[0].style, 0x21u);
    EXPECT_EQ(rig.presenter.boxes[0].owner, static_cast<QWidget*>(rig.view));
    EXPECT_EQ(rig.presenter.boxes[1].text, "Reading completed.");

    EXPECT_FALSE(rig.Check(S::kNoiseCancellation)->isChecked());
    EXPECT_EQ(rig.List(S::kAttenuationLevel)->currentText(), "+10dB");
    EXPECT_EQ(rig.Cell(1), "High-frequency Noise");
    EXPECT_TRUE(rig.RowShaded(1));
    EXPECT_FALSE(rig.view->Control(S::kBatterySave)->isEnabled());
    EXPECT_FALSE(rig.store.IsModified());
}

TEST(SettingsForm, ReadCancelledLeavesFormAndImage)
{
    CFormRig rig;
    rig.Show();
    // Changed behind the form's back: only a refresh would show it.
    PutWord(rig.store.WorkingImage(), kNoiseCancelOffset, 0x0000);
    rig.presenter.SetNextAnswer(MessageAnswer::kCancel);
    rig.view->OnRead();
    EXPECT_EQ(rig.presenter.boxes.size(), 1u);
    EXPECT_EQ(rig.line.OpenCount(), 0);
    EXPECT_TRUE(rig.Check(S::kNoiseCancellation)->isChecked());
    EXPECT_EQ(rig.store.GetWord(S::kNoiseCancellation), 0x0000);
}

TEST(SettingsForm, FailedReadStillRefreshesFromTheImage)
{
    CFormRig rig;
    rig.Show();
    rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
    PutWord(rig.store.WorkingImage(), kNoiseCancelOffset, 0x0000);
    rig.view->OnRead();
    ASSERT_EQ(rig.presenter.boxes.size(), 2u);
    EXPECT_EQ(rig.presenter.boxes[1].text, "Check all connections and COM port settings.");
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_FALSE(rig.Check(S::kNoiseCancellation)->isChecked());
    EXPECT_EQ(rig.store.GetWord(S::kNoiseCancellation), 0x0000);
}

TEST(SettingsForm, WriteSendsTheWorkingImageWithoutRefreshing)
{
    CFormRig rig;
    rig.Show();
    rig.Check(S::kBatterySave)->click();
    // Changed behind the form's back: a write does not refresh.
    PutWord(rig.store.WorkingImage(), kSelfProgrammingOffset, 0x0001);

    rig.presenter.SetNextAnswer(MessageAnswer::kCancel);
    rig.Button(FormId::kWriteButton)->click();
    EXPECT_EQ(rig.presenter.boxes.size(), 1u);
    EXPECT_EQ(rig.line.OpenCount(), 0);

    rig.Button(FormId::kWriteButton)->click();
    ASSERT_EQ(rig.presenter.boxes.size(), 3u);
    EXPECT_EQ(rig.presenter.boxes[1].text, "Is it OK to write data?");
    EXPECT_EQ(rig.presenter.boxes[2].text, "Writing completed.");
    const auto& image = rig.mic.GetImage();
    EXPECT_EQ(image[kBatterySaveOffset], 0x01);
    EXPECT_EQ(image[kSelfProgrammingOffset], 0x01);
    EXPECT_FALSE(rig.Check(S::kSelfProgramming)->isChecked());
}

TEST(SettingsForm, MemoryMapChangesRefreshTheForm)
{
    CFormRig rig;
    rig.Show();
    QTimer::singleShot(0, [&rig] {
        auto* map = qobject_cast<CMemoryMapDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(map, nullptr);
        // The dialog edits the store's transfer copy until it closes.
        PutWord(rig.store.TransferCopy(), kTxLedOffset, 2);
        map->CloseButton()->click();
    });
    rig.view->OnMemoryMap();
    EXPECT_EQ(rig.store.GetWord(S::kTxLed), 2);
    EXPECT_EQ(rig.List(S::kTxLed)->currentText(), "Disable");
}

TEST(SettingsForm, PortLabelFollowsTheLinkAfterThePortDialog)
{
    CFormRig rig;
    rig.Show();
    EXPECT_EQ(rig.view->PortLabel()->text(), " COM1");
    EXPECT_EQ(rig.view->PortLabel()->palette().color(QPalette::Window), QColor(Qt::white));
    rig.link.SetPortNumber(12); // as another part of the program may
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->close();
    });
    rig.Button(FormId::kPortButton)->click();
    EXPECT_EQ(rig.view->PortLabel()->text(), " COM12");
}

TEST(SettingsForm, TabInAPresetListLeavesTheTable)
{
    CFormRig rig;
    rig.Show();
    QComboBox* list = rig.OpenFirstPresetList();
    ASSERT_TRUE(list->isVisible());
    SendKey(list, Qt::Key_Tab);
    EXPECT_FALSE(list->isVisible());
    DeliverPosted();
    EXPECT_EQ(QApplication::focusWidget(), rig.Check(S::kSelfProgramming));
    EXPECT_EQ(rig.Cell(1), "Normal");
}

TEST(SettingsForm, ActivationFocusesTheTableOnceAnEditBegan)
{
    CFormRig rig;
    rig.Show();
    rig.view->setFocus();
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(rig.frame.get());
    DeliverPosted();
    EXPECT_EQ(QApplication::focusWidget(), rig.Check(S::kNoiseCancellation)) << "first tab stop";

    QComboBox* list = rig.OpenFirstPresetList();
    ASSERT_EQ(QApplication::focusWidget(), list);
    // Another window takes the activation: the edit ends, and coming back
    // the focus goes to the table.
    QApplication::setActiveWindow(nullptr);
    EXPECT_FALSE(list->isVisible());
    QApplication::setActiveWindow(rig.frame.get());
    DeliverPosted();
    EXPECT_EQ(QApplication::focusWidget(), rig.Table());
}

TEST(SettingsForm, ShiftClickMovesToTheRowUnderTheMouse)
{
    CFormRig rig;
    rig.Show();
    rig.Check(S::kSelfProgramming)->click();
    rig.FocusCell(1);
    const QRect cell = rig.Table()->visualRect(rig.Table()->model()->index(3, 0));
    QTest::mouseClick(rig.Table()->viewport(), Qt::LeftButton, Qt::ShiftModifier, cell.center());
    EXPECT_EQ(rig.Table()->GetRow(), 4);
    EXPECT_TRUE(rig.List(S::kPreset4)->isVisible());
    EXPECT_FALSE(rig.List(S::kPreset1)->isVisible());
}

TEST(SettingsForm, FrameWithAMenuFitsTheFormBelowIt)
{
    CFormRig rig;
    rig.frame->menuBar()->addMenu(QStringLiteral("&File"));
    rig.Show();
    EXPECT_EQ(rig.view->geometry().topLeft(), QPoint(0, rig.frame->menuBar()->height()));
    EXPECT_EQ(rig.frame->size(),
              QSize(rig.view->width(), rig.view->height() + rig.frame->menuBar()->height()));
}
