#include "link/LinkRig.h"

#include "core/ConfigStore.h"
#include "link/Transfer.h"
#include "support/RecordingPresenter.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <gtest/gtest.h>

namespace {

// Records what the progress window would show.
class CRecordingView : public ITransferView
{
public:
    void SetCaption(const std::string& text) override { caption = text; }
    void SetCounterText(const std::string& text) override { counters.push_back(text); }
    void SetBarRange(int maximum) override { range = maximum; }
    void SetBarPosition(int position) override { positions.push_back(position); }
    MessageOwner Owner() override { return this; }

    std::string caption;
    std::vector<std::string> counters;
    int range = -1;
    std::vector<int> positions;
};

// Notes whether the port was open when each box appeared.
class CPortWatchingPresenter : public CRecordingPresenter
{
public:
    explicit CPortWatchingPresenter(const CInProcessLine& line) : m_line(line) {}
    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override
    {
        portOpen.push_back(m_line.IsOpen());
        sentBefore.push_back(m_line.Sent().size());
        return CRecordingPresenter::Present(owner, text, title, style);
    }
    std::vector<bool> portOpen;
    std::vector<std::size_t> sentBefore;

private:
    const CInProcessLine& m_line;
};

struct CTransferRig : CLinkRig
{
    CTransferRig() : presenter(line), boxes(texts, &presenter), store(&texts)
    {
        texts.SelectLanguage("English");
        store.Reset();
    }

    bool Run(TransferMode mode)
    {
        CTransfer transfer(link, store, texts, boxes, view);
        return transfer.Run(mode);
    }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> shown;
        for (const auto& box : presenter.boxes)
            shown.push_back(box.text);
        return shown;
    }

    CTextCatalog texts;
    CPortWatchingPresenter presenter;
    CMessageBoxes boxes;
    CConfigStore store;
    CRecordingView view;
};

void FillPattern(CVirtualMic::Image& image)
{
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 13 + i / 256);
}

} // namespace

TEST(ReadTransfer, FillsTheStoreAndCountsTheBlocks)
{
    CTransferRig rig;
    FillPattern(rig.mic.GetImage());
    std::fill(rig.mic.GetImage().begin() + 256 * 8, rig.mic.GetImage().end(), 0xFF);

    ASSERT_TRUE(rig.Run(TransferMode::Read));
    EXPECT_EQ(rig.view.caption, "Now reading the data.");
    EXPECT_TRUE(
        std::equal(rig.mic.GetImage().begin(), rig.mic.GetImage().end(), rig.store.WorkingImage()));
    EXPECT_TRUE(
        std::equal(rig.mic.GetImage().begin(), rig.mic.GetImage().end(), rig.store.SavedCopy()));
    EXPECT_FALSE(rig.store.IsModified());

    std::vector<std::string> counters;
    for (int n = 0; n <= 9; ++n)
        counters.push_back("Block " + std::to_string(n) + " / 9");
    counters.push_back("Block 9 / 9");
    EXPECT_EQ(rig.view.counters, counters);
    EXPECT_EQ(rig.view.range, 9);
    EXPECT_EQ(rig.view.positions.back(), 9);

    ASSERT_EQ(rig.presenter.boxes.size(), 1u);
    EXPECT_EQ(rig.presenter.boxes[0].text, "Reading completed.");
    EXPECT_EQ(rig.presenter.boxes[0].title, "Read Data");
    EXPECT_EQ(rig.presenter.boxes[0].style, 0x40u);
    EXPECT_EQ(rig.presenter.boxes[0].owner, &rig.view);
    EXPECT_FALSE(rig.presenter.portOpen[0]) << "the port is closed before the message";
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_FALSE(rig.mic.InProgramMode()) << "the end command was sent";
    EXPECT_EQ(rig.link.GetBlockSize(), 256);
}

TEST(ReadTransfer, AFailedReadLeavesTheWorkingImageAndSavedCopy)
{
    CTransferRig rig;
    FillPattern(rig.mic.GetImage());
    rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.dropAfterBlock = 3; }));
    rig.store.WorkingImage()[100] = 0x42;
    rig.store.ImageToSaved();

    EXPECT_FALSE(rig.Run(TransferMode::Read));
    EXPECT_EQ(rig.Texts(),
              std::vector<std::string>{"Check all connections and COM port settings."});
    EXPECT_EQ(rig.presenter.boxes[0].title, "Error");
    EXPECT_EQ(rig.presenter.boxes[0].style, 0x10u);
    EXPECT_TRUE(rig.presenter.portOpen[0]) << "this message comes before the port closes";
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_EQ(rig.store.WorkingImage()[100], 0x42);
    EXPECT_EQ(rig.store.SavedCopy()[100], 0x42);
    EXPECT_EQ(rig.store.WorkingImage()[0], 0xAA);
    EXPECT_EQ(rig.store.TransferCopy()[256 * 3 + 5], rig.mic.GetImage()[256 * 3 + 5])
        << "the transfer copy holds the blocks read so far";
    EXPECT_EQ(rig.view.counters.back(), "Block 5 / 9");
    // After the failure: the end command at 19200, then again at 9600.
    const auto& wire = rig.line.Transcript();
    EXPECT_EQ(wire.back().rate, 9600u);
}

TEST(Transfers, FailureMessagesAndTheirOrder)
{
    struct Case
    {
        const char* name;
        std::function<void(CTransferRig&)> setUp;
        const char* message;
        bool portOpenAtMessage;
    };
    const std::vector<Case> cases = {
        {"port does not open", [](CTransferRig& r) { r.link.SetDeviceName("/dev/other"); },
         "The COM port cannot be opened.", false},
        {"silent microphone",
         [](CTransferRig& r) {
             r.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
         },
         "Check all connections and COM port settings.", true},
        {"wrong model",
         [](CTransferRig& r) {
             r.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.model = "PVHM_813"; }));
         },
         "Check Model Name.", false},
    };
    for (const Case& c : cases) {
        for (const TransferMode mode : {TransferMode::Read, TransferMode::Write}) {
            CTransferRig rig;
            c.setUp(rig);
            EXPECT_FALSE(rig.Run(mode)) << c.name;
            ASSERT_EQ(rig.Texts(), std::vector<std::string>{c.message}) << c.name;
            EXPECT_EQ(rig.presenter.portOpen[0], c.portOpenAtMessage) << c.name;
            EXPECT_FALSE(rig.link.IsOpen()) << c.name;
            EXPECT_EQ(rig.store.WorkingImage()[0], 0xAA) << c.name;
        }
    }
}

TEST(Transfers, AWrongModelGetsTheEndCommandBeforeTheMessage)
{
    CTransferRig rig;
    rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.model = "PVHM_813"; }));
    EXPECT_FALSE(rig.Run(TransferMode::Read));
    const std::vector<uint8_t> sent = rig.line.Sent();
    ASSERT_EQ(rig.presenter.sentBefore.size(), 1u);
    EXPECT_EQ(rig.presenter.sentBefore[0], sent.size());
    EXPECT_EQ(sent.back() ^ rig.link.GetMask(), 0x45);
    EXPECT_FALSE(rig.mic.InProgramMode());
}

TEST(Transfers, TheConnectAndCheckStepsShowTheirBoxesAndCloseThePort)
{
    CTransferRig silent;
    silent.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
    CTransfer connect(silent.link, silent.store, silent.texts, silent.boxes, silent.view);
    ASSERT_EQ(silent.link.Open(), 1);
    EXPECT_EQ(connect.ConnectDevice(&silent.view), 1);
    EXPECT_EQ(silent.Texts(),
              std::vector<std::string>{"Check all connections and COM port settings."});
    EXPECT_EQ(silent.presenter.portOpen, std::vector<bool>{true}) << "the message comes first";
    EXPECT_FALSE(silent.link.IsOpen());

    CTransferRig other;
    other.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.model = "PVHM_813"; }));
    CTransfer check(other.link, other.store, other.texts, other.boxes, other.view);
    ASSERT_EQ(other.link.Open(), 1);
    ASSERT_EQ(check.ConnectDevice(&other.view), 0);
    uint8_t id[16] = {};
    EXPECT_EQ(check.CheckDevice(&other.view, id), 1);
    EXPECT_EQ(other.Texts(), std::vector<std::string>{"Check Model Name."});
    EXPECT_EQ(other.presenter.portOpen, std::vector<bool>{false}) << "the port is closed first";
    EXPECT_EQ(std::string(id, id + 8), "PVHM_813");
}

TEST(WriteTransfer, SendsTheWorkingImage)
{
    CTransferRig rig;
    FillPattern(rig.mic.GetImage());
    rig.store.WorkingImage()[2] = 0x01;
    rig.store.WorkingImage()[600] = 0x33;
    int stored = 0;
    rig.mic.SetStoredHandler([&] { ++stored; });

    ASSERT_TRUE(rig.Run(TransferMode::Write));
    EXPECT_EQ(rig.view.caption, "Now writing the data.");
    EXPECT_TRUE(
        std::equal(rig.mic.GetImage().begin(), rig.mic.GetImage().end(), rig.store.WorkingImage()));
    EXPECT_EQ(stored, 1);
    ASSERT_EQ(rig.Texts(), std::vector<std::string>{"Writing completed."});
    EXPECT_EQ(rig.presenter.boxes[0].title, "Write Data");
    EXPECT_FALSE(rig.presenter.portOpen[0]) << "after the end command and the close";
    EXPECT_TRUE(rig.store.IsModified()) << "a write leaves the saved copy alone";
    EXPECT_EQ(rig.view.counters.back(), "Block 9 / 9");
}

TEST(Transfers, AlmostUniformBlocksArriveWholeBothWays)
{
    // Every block one value but for its first or last byte; the last one wholly uniform.
    CTransferRig rig;
    FillPattern(rig.mic.GetImage());
    uint8_t* image = rig.store.WorkingImage();
    for (std::size_t block = 0; block < 9; ++block) {
        std::fill(image + 256 * block, image + 256 * (block + 1), uint8_t(0x10 + block));
        if (block < 8)
            image[256 * block + (block % 2 ? 0 : 255)] = uint8_t(0x80 + block);
    }
    const std::vector<uint8_t> written(image, image + 2304);

    ASSERT_TRUE(rig.Run(TransferMode::Write));
    EXPECT_TRUE(std::equal(written.begin(), written.end(), rig.mic.GetImage().begin()));

    rig.store.Reset();
    ASSERT_TRUE(rig.Run(TransferMode::Read));
    EXPECT_EQ(std::vector<uint8_t>(image, image + 2304), written);
}

TEST(WriteTransfer, ARefusedBlockAbortsTheWrite)
{
    CTransferRig rig;
    rig.store.WorkingImage()[300] = 0x12;
    rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.nakWrites = 3; }));
    EXPECT_FALSE(rig.Run(TransferMode::Write));
    EXPECT_EQ(rig.Texts(),
              std::vector<std::string>{"Check all connections and COM port settings."});
    EXPECT_EQ(rig.line.Sent().back() ^ rig.link.GetMask(), 0xE7) << "abort, not end";
    EXPECT_FALSE(rig.mic.InProgramMode());
    EXPECT_FALSE(rig.link.IsOpen());
}

TEST(WriteTransfer, ASlowPreparationAbortsAfter20Seconds)
{
    CTransferRig rig;
    rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.slowPrepareMs = 25000; }));
    EXPECT_FALSE(rig.Run(TransferMode::Write));
    EXPECT_EQ(rig.Texts(),
              std::vector<std::string>{"Check all connections and COM port settings."});
    EXPECT_EQ(rig.mic.BlocksStored(), 0);
}

TEST(Transfers, TheQuestionBeforeEachTransfer)
{
    CTransferRig rig;
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
