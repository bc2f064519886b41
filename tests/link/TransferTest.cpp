#include "link/LinkRig.h"

#include "core/ConfigStore.h"
#include "link/Transfer.h"
#include "text/TextCatalog.h"

#include <gtest/gtest.h>

namespace {

// Records what the progress window would show, and what the transfer told
// it: the text of each failure or completion, and whether the port was open
// then.
class CRecordingView : public ITransferView
{
public:
    CRecordingView(const CTextCatalog& texts, const CInProcessLine& line)
        : m_texts(texts), m_line(line)
    {
    }
    void SetCaption(const std::string& text) override { caption = text; }
    void SetCounterText(const std::string& text) override { counters.push_back(text); }
    void SetBarRange(int maximum) override { range = maximum; }
    void SetBarPosition(int position) override { positions.push_back(position); }
    void OnFailure(TransferMode mode, const CSessionResult& result) override
    {
        Note(TransferMessageId(mode, result));
    }
    void OnCompleted(TransferMode mode) override
    {
        CSessionResult done;
        done.stage = SessionStage::kDone;
        Note(TransferMessageId(mode, done));
    }

    std::string caption;
    std::vector<std::string> counters;
    int range = -1;
    std::vector<int> positions;
    std::vector<std::string> told;
    std::vector<bool> portOpen;
    std::vector<std::size_t> sentBefore;

private:
    void Note(int32_t textId)
    {
        told.push_back(m_texts.GetText(textId));
        portOpen.push_back(m_line.IsOpen());
        sentBefore.push_back(m_line.Sent().size());
    }
    const CTextCatalog& m_texts;
    const CInProcessLine& m_line;
};

struct CTransferRig : CLinkRig
{
    CTransferRig() : store(&texts), view(texts, line)
    {
        texts.SelectLanguage("English");
        store.Reset();
    }

    bool Run(TransferMode mode)
    {
        CTransfer transfer(link, store, texts, view);
        return transfer.Run(mode);
    }

    const std::vector<std::string>& Texts() const { return view.told; }

    CTextCatalog texts;
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

    EXPECT_EQ(rig.Texts(), std::vector<std::string>{"Reading completed."});
    EXPECT_FALSE(rig.view.portOpen[0]) << "the port is closed before the message";
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
    EXPECT_TRUE(rig.view.portOpen[0]) << "this message comes before the port closes";
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
            EXPECT_EQ(rig.view.portOpen[0], c.portOpenAtMessage) << c.name;
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
    ASSERT_EQ(rig.view.sentBefore.size(), 1u);
    EXPECT_EQ(rig.view.sentBefore[0], sent.size());
    EXPECT_EQ(sent.back() ^ rig.link.GetMask(), 0x45);
    EXPECT_FALSE(rig.mic.InProgramMode());
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
    EXPECT_FALSE(rig.view.portOpen[0]) << "after the end command and the close";
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
