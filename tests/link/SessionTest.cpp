// One session with the microphone: each stage's failure comes back as that
// stage with the link's code, and the session is ended as the stage asks.
#include "link/LinkRig.h"

#include "link/Session.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

constexpr uint8_t kEnd = 0x45;
constexpr uint8_t kAbort = 0xE7;
constexpr uint8_t kIdentifyRequest = 0x02;

struct CSessionRig : CLinkRig
{
    CSessionRig()
    {
        for (std::size_t i = 0; i < mic.GetImage().size(); ++i)
            mic.GetImage()[i] = static_cast<uint8_t>(i * 7 + 3);
    }

    CSessionResult Run(SessionWork work, CSessionHooks hooks = {})
    {
        return CSession(link, std::move(hooks)).Run(work, image);
    }
    // The last byte the program sent, its mask removed.
    int LastSentPlain() const
    {
        const std::vector<uint8_t> sent = line.Sent();
        return sent.empty() ? -1 : (sent.back() ^ link.GetMask());
    }

    CVirtualMic::Image image{};
};

std::string ModelOf(const CSessionResult& result)
{
    return std::string(result.record.begin(), result.record.begin() + 8);
}

} // namespace

TEST(Session, EachFailureNamesItsStageAndTheLinksCode)
{
    struct Case
    {
        const char* name;
        SessionWork work;
        std::function<void(CSessionRig&)> setUp;
        SessionStage stage;
        int code;
        int block;
        int lastSent; // the end of the session on the wire; -1: nothing sent
    };
    const auto faults = [](std::function<void(CMicFaults&)> set) {
        return [set](CSessionRig& rig) { rig.mic.SetFaults(MakeFaults(set)); };
    };
    const std::vector<Case> cases = {
        {"no port", SessionWork::kRead, [](CSessionRig& r) { r.link.SetDeviceName("/dev/other"); },
         SessionStage::kPort, 1, -1, -1},
        {"silent", SessionWork::kRead, faults([](CMicFaults& f) { f.silent = true; }),
         SessionStage::kEntry, 1, -1, kEnd},
        {"no identification", SessionWork::kWrite,
         [](CSessionRig& r) {
             r.mic.SetReceiveHook([&r](const uint8_t* data, std::size_t count, uint32_t) {
                 if (count > 0 && data[0] == kIdentifyRequest)
                     r.mic.SetPlugged(false);
             });
         },
         SessionStage::kIdentification, 1, -1, kEnd},
        {"wrong model", SessionWork::kWrite, faults([](CMicFaults& f) { f.model = "PVHM_813"; }),
         SessionStage::kModel, 1, -1, kEnd},
        {"slow preparation", SessionWork::kWrite,
         faults([](CMicFaults& f) { f.slowPrepareMs = 25000; }), SessionStage::kWritePreparation, 1,
         -1, kAbort},
        {"refused block", SessionWork::kWrite, faults([](CMicFaults& f) { f.nakWrites = 3; }),
         SessionStage::kBlock, 1, 0, kAbort},
        {"lost after block 4, writing", SessionWork::kWrite,
         faults([](CMicFaults& f) { f.dropAfterBlock = 4; }), SessionStage::kBlock, 1, 5, kAbort},
        {"lost after block 4, reading", SessionWork::kRead,
         faults([](CMicFaults& f) { f.dropAfterBlock = 4; }), SessionStage::kBlock,
         CMicLink::kReadAttemptsFailed, 5, kEnd},
    };
    for (const Case& c : cases) {
        CSessionRig rig;
        c.setUp(rig);
        const CSessionResult result = rig.Run(c.work);
        EXPECT_FALSE(result.Ok()) << c.name;
        EXPECT_EQ(result.stage, c.stage) << c.name;
        EXPECT_EQ(result.code, c.code) << c.name;
        EXPECT_EQ(result.block, c.block) << c.name;
        EXPECT_EQ(result.blocksMoved, c.block < 0 ? 0 : c.block) << c.name;
        EXPECT_EQ(rig.LastSentPlain(), c.lastSent) << c.name;
        EXPECT_FALSE(rig.link.IsOpen()) << c.name;
        EXPECT_EQ(result.WriteBegan(), c.stage == SessionStage::kBlock) << c.name;
        EXPECT_EQ(result.Entered(), c.stage > SessionStage::kEntry) << c.name;
        if (c.stage != SessionStage::kModel)
            continue;
        EXPECT_EQ(ModelOf(result), "PVHM_813") << "the record of the microphone that answered";
    }
}

TEST(Session, ACompleteSessionMovesEveryBlockAndKeepsTheRecord)
{
    CSessionRig rig;
    std::vector<int> counter;
    CSessionHooks hooks;
    hooks.blocksBegin = [&] { counter.push_back(0); };
    hooks.block = [&](int n) { counter.push_back(n); };
    hooks.blocksDone = [&] { counter.push_back(-1); };
    const CSessionResult read = rig.Run(SessionWork::kRead, hooks);
    ASSERT_TRUE(read.Ok());
    EXPECT_EQ(read.code, 0);
    EXPECT_EQ(read.blocksMoved, 9);
    EXPECT_EQ(ModelOf(read), "PVHM_812");
    EXPECT_EQ(rig.image, rig.mic.GetImage());
    EXPECT_EQ(counter, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1}));
    EXPECT_EQ(rig.LastSentPlain(), kEnd);

    for (uint8_t& byte : rig.image)
        byte = static_cast<uint8_t>(byte ^ 0x5A);
    ASSERT_TRUE(rig.Run(SessionWork::kWrite).Ok());
    EXPECT_EQ(rig.mic.GetImage(), rig.image);
}

TEST(Session, AProbeMovesNoBlockAndEndsNoSessionThatNeverBegan)
{
    CSessionRig rig;
    const CVirtualMic::Image before = rig.mic.GetImage();
    const CSessionResult present = rig.Run(SessionWork::kProbe);
    EXPECT_TRUE(present.Ok());
    EXPECT_EQ(present.blocksMoved, 0);
    EXPECT_EQ(rig.mic.BlocksServed() + rig.mic.BlocksStored(), 0);
    EXPECT_EQ(rig.mic.GetImage(), before);
    EXPECT_FALSE(rig.mic.InProgramMode()) << "left as a transfer leaves it";

    CSessionRig silent;
    silent.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
    const CSessionResult absent = silent.Run(SessionWork::kProbe);
    EXPECT_EQ(absent.stage, SessionStage::kEntry);
    EXPECT_EQ(silent.LastSentPlain(), 'M') << "the last probe rate's PROGRAM, and no end";
    EXPECT_FALSE(silent.link.IsOpen()) << "no port is held between probes";
}

TEST(Session, AFailureIsReportedBeforeTheSessionEndsUnlessTheEntryIsRetried)
{
    for (const bool retried : {false, true}) {
        CSessionRig rig;
        rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.silent = true; }));
        std::size_t sentAtReport = 0;
        int retries = 0;
        CSessionHooks hooks;
        hooks.failed = [&](const CSessionResult& result) {
            EXPECT_EQ(result.stage, SessionStage::kEntry);
            sentAtReport = rig.line.Sent().size();
        };
        if (retried)
            hooks.entryRetry = [&] { return ++retries < 2; };
        EXPECT_EQ(rig.Run(SessionWork::kRead, hooks).stage, SessionStage::kEntry);
        const std::size_t sent = rig.line.Sent().size();
        if (retried) {
            EXPECT_EQ(retries, 2) << "asked after each unanswered entry";
            EXPECT_EQ(sentAtReport, sent) << "ended before the failure is told";
        } else {
            EXPECT_LT(sentAtReport, sent) << "told before the end command goes out";
        }
    }
}
