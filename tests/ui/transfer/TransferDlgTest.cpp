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

// Notes whether the port was open when each box appeared.
class CPortWatcher : public CWindowWatcher
{
public:
    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override
    {
        if (line)
            portOpen.push_back(line->IsOpen());
        return CWindowWatcher::Present(owner, text, title, style);
    }
    const CInProcessLine* line = nullptr;
    std::vector<bool> portOpen;
};

struct CDialogRig : CLinkRig
{
    CDialogRig() : boxes(texts, &presenter), store(&texts)
    {
        App();
        presenter.line = &line;
        texts.SelectLanguage("English");
        store.Reset();
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> shown;
        for (const auto& box : presenter.boxes)
            shown.push_back(box.text);
        return shown;
    }
    CTextCatalog texts;
    CPortWatcher presenter;
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

// Each kind of box with its title and icon: the completion's information,
// a failure's stop.
TEST(TransferDlg, CompletionAndFailureBoxesByKind)
{
    const struct
    {
        TransferMode mode;
        bool silent;
        const char* text;
        const char* title;
        unsigned style;
    } cases[] = {
        {TransferMode::Read, false, "Reading completed.", "Read Data", 0x40},
        {TransferMode::Write, false, "Writing completed.", "Write Data", 0x40},
        {TransferMode::Read, true, "Check all connections and COM port settings.", "Error", 0x10},
    };
    for (const auto& c : cases) {
        CDialogRig rig;
        if (c.silent)
            rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
        CTransferDlg dialog(c.mode, rig.link, rig.store, rig.texts, rig.boxes);
        EXPECT_EQ(dialog.Run(), !c.silent) << c.text;
        ASSERT_EQ(rig.Texts(), std::vector<std::string>{c.text});
        EXPECT_EQ(rig.presenter.boxes[0].title, c.title);
        EXPECT_EQ(rig.presenter.boxes[0].style, c.style);
        EXPECT_EQ(rig.presenter.boxes[0].owner, static_cast<QWidget*>(&dialog));
        EXPECT_EQ(rig.presenter.portOpen[0], c.silent) << "a failure is shown before the close";
    }
}

TEST(TransferDlg, TheConnectAndCheckStepsShowTheirBoxesAndCloseThePort)
{
    CDialogRig silent;
    silent.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
    CTransferDlg connect(TransferMode::Read, silent.link, silent.store, silent.texts, silent.boxes);
    ASSERT_EQ(silent.link.Open(), 1);
    EXPECT_EQ(connect.ConnectDevice(&connect), 1);
    EXPECT_EQ(silent.Texts(),
              std::vector<std::string>{"Check all connections and COM port settings."});
    EXPECT_EQ(silent.presenter.portOpen, std::vector<bool>{true}) << "the message comes first";
    EXPECT_FALSE(silent.link.IsOpen());

    CDialogRig other;
    other.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.model = "PVHM_813"; }));
    CTransferDlg check(TransferMode::Read, other.link, other.store, other.texts, other.boxes);
    ASSERT_EQ(other.link.Open(), 1);
    ASSERT_EQ(check.ConnectDevice(&check), 0);
    uint8_t id[16] = {};
    EXPECT_EQ(check.CheckDevice(&check, id), 1);
    EXPECT_EQ(other.Texts(), std::vector<std::string>{"Check Model Name."});
    EXPECT_EQ(other.presenter.portOpen, std::vector<bool>{false}) << "the port is closed first";
    EXPECT_EQ(std::string(id, id + 8), "PVHM_813");
}

TEST(TransferDlg, TheQuestionBeforeEachTransfer)
{
    CDialogRig rig;
    rig.presenter.SetNextAnswer(MessageAnswer::kCancel);
    EXPECT_FALSE(AskTransfer(rig.boxes, nullptr, TransferMode::Read));
    EXPECT_TRUE(AskTransfer(rig.boxes, nullptr, TransferMode::Write));
    ASSERT_EQ(rig.presenter.boxes.size(), 2u);
    EXPECT_EQ(rig.presenter.boxes[0].text, "Is it OK to read data?");
    EXPECT_EQ(rig.presenter.boxes[0].title, "Confirmation");
    EXPECT_EQ(rig.presenter.boxes[0].style, 0x21u);
    EXPECT_EQ(rig.presenter.boxes[1].text, "Is it OK to write data?");
    EXPECT_EQ(rig.line.OpenCount(), 0) << "asking opens nothing";
}
