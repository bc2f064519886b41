#include "link/LinkRig.h"
#include "link/SilentTransferView.h"

#include "core/ConfigStore.h"
#include "job/VerifiedTransfer.h"
#include "link/Transfer.h"
#include "text/TextCatalog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

namespace {

MicImage Pattern(uint8_t seed)
{
    MicImage image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7 + seed);
    return image;
}

// Devices whose first `failures` openings fail, as a port still held by
// the microphone's last session would.
ByteDeviceFactory FailingOpens(ByteDeviceFactory inner, int& failures)
{
    return [inner, &failures]() -> std::unique_ptr<IByteDevice> {
        if (failures > 0) {
            --failures;
            return nullptr;
        }
        return inner();
    };
}

// Devices that fail to open before `clock` reaches `fromMs`.
ByteDeviceFactory OpensFrom(ByteDeviceFactory inner, const ITickClock& clock, uint32_t fromMs)
{
    return [inner, &clock, fromMs]() -> std::unique_ptr<IByteDevice> {
        return clock.NowMs() < fromMs ? nullptr : inner();
    };
}

} // namespace

TEST(CompareImages, NamesTheBlocksAndTheFirstOffset)
{
    const MicImage a = Pattern(1);
    MicImage b = a;
    EXPECT_TRUE(CompareImages(a, b).Equal());
    EXPECT_EQ(CompareImages(a, b).firstOffset, -1);

    b[0x054B] ^= 0x10;
    CImageDiff diff = CompareImages(a, b);
    EXPECT_EQ(diff.blocks, std::vector<int>{5});
    EXPECT_EQ(diff.firstOffset, 0x054B);

    b[0x0200] ^= 0x01;
    b[0x08FF] ^= 0x80;
    diff = CompareImages(a, b);
    EXPECT_EQ(diff.blocks, (std::vector<int>{2, 5, 8}));
    EXPECT_EQ(diff.firstOffset, 0x0200);
}

TEST(VerifyWritten, OutcomesOfTheReadBack)
{
    const MicImage written = Pattern(3);
    {
        CLinkRig rig;
        std::copy(written.begin(), written.end(), rig.mic.GetImage().begin());
        std::vector<int> counter;
        const CVerifyResult result =
            VerifyWritten(rig.link, written, 10000, [&](int n) { counter.push_back(n); });
        EXPECT_EQ(result.status, CVerifyResult::kVerified);
        EXPECT_EQ(result.sessions, 1);
        EXPECT_EQ(counter, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
        EXPECT_FALSE(rig.link.IsOpen());
        EXPECT_FALSE(rig.mic.InProgramMode()) << "the read-back ends programming mode";
    }
    {
        CLinkRig rig;
        std::copy(written.begin(), written.end(), rig.mic.GetImage().begin());
        rig.mic.GetImage()[0x054B] ^= 0x04;
        const CVerifyResult result = VerifyWritten(rig.link, written, 10000);
        EXPECT_EQ(result.status, CVerifyResult::kDiffers);
        EXPECT_EQ(result.sessions, 2) << "a difference is read twice";
        EXPECT_EQ(result.diff.blocks, std::vector<int>{5});
        EXPECT_EQ(result.diff.firstOffset, 0x054B);
    }
    {
        // The first read-back is damaged on its way, in block 2.
        CLinkRig rig;
        std::copy(written.begin(), written.end(), rig.mic.GetImage().begin());
        int blocks = 0;
        const CVerifyResult result = VerifyWritten(rig.link, written, 10000, [&](int) {
            ++blocks;
            if (blocks == 4 || blocks == 5) // "Block 3 / 9" before block 2, then on
                rig.mic.GetImage()[0x0210] ^= 0x01;
        });
        EXPECT_EQ(result.status, CVerifyResult::kVerified);
        EXPECT_EQ(result.sessions, 2);
    }
}

TEST(VerifyWritten, ReentryIsTriedAgainUntilTheWaitRunsOut)
{
    const MicImage written = Pattern(4);
    {
        // The microphone answers again after two refusals.
        CLinkRig rig;
        int failures = 2;
        CMicLink link(FailingOpens(rig.line.Factory(), failures), rig.ticks, rig.local);
        link.SetDeviceName(CLinkRig::kDevice);
        std::copy(written.begin(), written.end(), rig.mic.GetImage().begin());
        const uint32_t start = rig.ticks.NowMs();
        const CVerifyResult result = VerifyWritten(link, written, 10000);
        EXPECT_EQ(result.status, CVerifyResult::kVerified);
        EXPECT_EQ(result.sessions, 3);
        EXPECT_GE(rig.ticks.NowMs() - start, 2 * kVerifyRetryPauseMs);
    }
    {
        // The microphone first answers 300 ms before the wait is over.
        CLinkRig rig;
        constexpr uint32_t kWaitMs = 5000;
        const uint32_t start = rig.ticks.NowMs();
        CMicLink link(OpensFrom(rig.line.Factory(), rig.ticks, start + kWaitMs - 300), rig.ticks,
                      rig.local);
        link.SetDeviceName(CLinkRig::kDevice);
        std::copy(written.begin(), written.end(), rig.mic.GetImage().begin());
        const CVerifyResult result = VerifyWritten(link, written, kWaitMs);
        EXPECT_EQ(result.status, CVerifyResult::kVerified) << "reached in the wait's last moment";
        EXPECT_GT(result.sessions, 2);
    }
    {
        // A microphone that stays silent: not verified once the wait is over.
        CLinkRig rig;
        rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
        const uint32_t start = rig.ticks.NowMs();
        const CVerifyResult result = VerifyWritten(rig.link, written, 5000);
        const uint32_t spent = rig.ticks.NowMs() - start;
        EXPECT_EQ(result.status, CVerifyResult::kNotRead);
        EXPECT_EQ(result.lastRead.stage, SessionStage::kEntry);
        EXPECT_GT(result.sessions, 1);
        EXPECT_GE(spent, 5000u);
        EXPECT_LT(spent, 5000u + 3000u) << "no session starts after the wait";
        EXPECT_FALSE(rig.link.IsOpen());
    }
    {
        CLinkRig rig;
        rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
        EXPECT_EQ(VerifyWritten(rig.link, written, 0).sessions, 1) << "no wait: one session";
    }
}

TEST(ReadConfirmed, TwoReadsMustAgree)
{
    const MicImage a = Pattern(1);
    MicImage b = a;
    b[0x0210] ^= 0x01; // block 2
    MicImage c = a;
    c[0x0510] ^= 0x01; // block 5

    const auto reader = [](std::vector<MicImage> images, int failAt = 0) {
        return [images, failAt, n = 0](MicImage& image) mutable {
            if (++n == failAt)
                return false;
            image = images[static_cast<std::size_t>(n - 1)];
            return true;
        };
    };

    CConfirmedRead result = ReadConfirmed(reader({a, a}));
    EXPECT_EQ(result.status, CConfirmedRead::kConfirmed);
    EXPECT_EQ(result.reads, 2);
    EXPECT_EQ(result.image, a);

    result = ReadConfirmed(reader({a, b, a}));
    EXPECT_EQ(result.status, CConfirmedRead::kConfirmed) << "the third read sides with the first";
    EXPECT_EQ(result.reads, 3);
    EXPECT_EQ(result.image, a);

    result = ReadConfirmed(reader({b, a, a}));
    EXPECT_EQ(result.status, CConfirmedRead::kConfirmed) << "the third read sides with the second";
    EXPECT_EQ(result.image, a);

    result = ReadConfirmed(reader({a, b, c}));
    EXPECT_EQ(result.status, CConfirmedRead::kUnsettled);
    EXPECT_EQ(result.changingBlocks, (std::vector<int>{2, 5}));

    result = ReadConfirmed(reader({a, a}, 2));
    EXPECT_EQ(result.status, CConfirmedRead::kFailed);
    EXPECT_EQ(result.reads, 2);
    result = ReadConfirmed(reader({a, b, a}, 3));
    EXPECT_EQ(result.status, CConfirmedRead::kFailed);
}

namespace {

// Notes the link's clock each time the event loop reaches it, and asks to
// be reached again at once.
class CLoopWatcher : public QObject
{
public:
    explicit CLoopWatcher(const ITickClock& clock) : m_clock(clock) {}
    void Start() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
    std::vector<uint32_t> seen;

protected:
    void customEvent(QEvent*) override
    {
        seen.push_back(m_clock.NowMs());
        Start();
    }

private:
    const ITickClock& m_clock;
};

} // namespace

TEST(PaintedWaits, EventsAreHandledThroughASlowWritePreparation)
{
    CLinkRig rig;
    constexpr uint32_t kSlowPrepareMs = 15000;
    rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.slowPrepareMs = kSlowPrepareMs; }));
    CTextCatalog texts;
    texts.SelectLanguage("English");
    CConfigStore store(&texts);
    store.Reset();
    CSilentTransferView view;
    CTransfer transfer(rig.link, store, texts, view);

    CLoopWatcher watcher(rig.ticks);
    watcher.Start();
    const uint32_t start = rig.ticks.NowMs();
    ASSERT_TRUE(transfer.Run(TransferMode::Write));
    ASSERT_GE(rig.ticks.NowMs() - start, kSlowPrepareMs);

    ASSERT_GE(watcher.seen.size(), kSlowPrepareMs / 100);
    uint32_t longest = 0;
    for (std::size_t i = 1; i < watcher.seen.size(); ++i)
        longest = std::max(longest, watcher.seen[i] - watcher.seen[i - 1]);
    EXPECT_LE(longest, 100u) << "the longest time without the event loop, in link ms";
}
