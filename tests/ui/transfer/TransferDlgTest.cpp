#include "link/LinkRig.h"

#include "core/ConfigStore.h"
#include "support/RecordingPresenter.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"
#include "ui/transfer/TransferDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

#include <gtest/gtest.h>

namespace {

// The test environment's application.
QApplication& App()
{
    return *qApp;
}

// Looks at the window whenever a box would appear.
class CWindowWatcher : public CRecordingPresenter
{
public:
    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override
    {
        auto* dialog = dynamic_cast<CTransferDlg*>(static_cast<QWidget*>(owner));
        if (dialog) {
            visible.push_back(dialog->isVisible());
            counter.push_back(dialog->Counter()->text().toStdString());
            barValue.push_back(dialog->Bar()->value());
            barMaximum.push_back(dialog->Bar()->maximum());
            QCloseEvent close;
            QCoreApplication::sendEvent(dialog, &close);
            closeRefused.push_back(!close.isAccepted());
        }
        return CRecordingPresenter::Present(owner, text, title, style);
    }
    std::vector<bool> visible;
    std::vector<std::string> counter;
    std::vector<int> barValue;
    std::vector<int> barMaximum;
    std::vector<bool> closeRefused;
};

struct CDialogRig : CLinkRig
{
    CDialogRig() : boxes(texts, &presenter), store(&texts)
    {
        App();
        texts.SelectLanguage("English");
        store.Reset();
    }
    CTextCatalog texts;
    CWindowWatcher presenter;
    CMessageBoxes boxes;
    CConfigStore store;
};

} // namespace

TEST(TransferDlg, ReadShowsTheBlocksAndClosesItself)
{
    CDialogRig rig;
    rig.mic.GetImage()[700] = 0x12;
    CTransferDlg dialog(TransferMode::Read, rig.link, rig.store, rig.texts, rig.boxes);
    EXPECT_EQ(dialog.Counter()->text(), "Block 0 / 256");
    EXPECT_EQ(dialog.windowTitle(), "Read Write Data");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dialog.size(), CTransferDlg::DialogSize(dialog.font()));

    EXPECT_TRUE(dialog.Run());
    EXPECT_EQ(dialog.windowTitle(), "Now reading the data.");
    ASSERT_EQ(rig.presenter.boxes.size(), 1u);
    EXPECT_EQ(rig.presenter.boxes[0].text, "Reading completed.");
    EXPECT_EQ(rig.presenter.boxes[0].owner, static_cast<QWidget*>(&dialog));
    EXPECT_TRUE(rig.presenter.visible[0]);
    EXPECT_TRUE(rig.presenter.closeRefused[0]) << "the user cannot close the window";
    EXPECT_EQ(rig.presenter.counter[0], "Block 9 / 9");
    EXPECT_EQ(rig.presenter.barValue[0], 9);
    EXPECT_EQ(rig.presenter.barMaximum[0], 9);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(rig.store.WorkingImage()[700], 0x12);
}

TEST(TransferDlg, AFailedWriteShowsItsMessageAndCloses)
{
    CDialogRig rig;
    rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
    CTransferDlg dialog(TransferMode::Write, rig.link, rig.store, rig.texts, rig.boxes);
    EXPECT_FALSE(dialog.Run());
    EXPECT_EQ(dialog.windowTitle(), "Now writing the data.");
    ASSERT_EQ(rig.presenter.boxes.size(), 1u);
    EXPECT_EQ(rig.presenter.boxes[0].text, "Check all connections and COM port settings.");
    EXPECT_EQ(rig.presenter.counter[0], "Block 0 / 9");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(rig.link.IsOpen());
}
