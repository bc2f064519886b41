#include "link/LinkRig.h"

#include <gtest/gtest.h>

#include <atomic>

#include <numeric>

namespace {

const std::vector<uint8_t> kProgram = Bytes({'P', 'R', 'O', 'G', 'R', 'A', 'M'});

std::vector<uint8_t> Repeat(const std::vector<uint8_t>& bytes, int times)
{
    std::vector<uint8_t> all;
    for (int i = 0; i < times; ++i)
        all.insert(all.end(), bytes.begin(), bytes.end());
    return all;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A block whose bytes differ, so it travels in full.
std::vector<uint8_t> PatternBlock(int seed)
{
    std::vector<uint8_t> block(256);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7 + seed);
    return block;
}

uint8_t Sum(const std::vector<uint8_t>& bytes)
{
    return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

} // namespace

TEST(EnterProgramMode, AnsweredAtTheFirstRate)
{
    CLinkRig rig;
    ASSERT_EQ(rig.link.Open(), 1);
    EXPECT_EQ(rig.link.EnterProgramMode(), 0);
    EXPECT_EQ(rig.line.Sent(), kProgram);
    EXPECT_EQ(rig.line.Received(), Bytes({0x16, 0x06}));
    EXPECT_EQ(rig.link.GetSettings(), "19200,N,8,2");
    EXPECT_EQ(rig.line.Line().rate, 19200u);
    EXPECT_EQ(rig.link.GetReadTimeout(), 550u);
}

TEST(EnterProgramMode, AMicrophoneAt38400IsReachedAtTheSixthProbe)
{
    CLinkRig rig(38400);
    ASSERT_EQ(rig.link.Open(), 1);
    const uint32_t start = rig.ticks.NowMs();
    EXPECT_EQ(rig.link.EnterProgramMode(), 0);
    EXPECT_EQ(rig.ProbeRates(), (std::vector<uint32_t>{9600, 19200, 4800, 2400, 1200, 38400}));
    EXPECT_EQ(rig.line.Sent(), Repeat(kProgram, 6));
    // The five silent rates each waited out their own reply time-out.
    EXPECT_GE(rig.ticks.NowMs() - start, 115u + 105 + 123 + 138 + 170);
    EXPECT_EQ(rig.link.GetSettings(), "19200,N,8,2");
}

TEST(EnterProgramMode, SilenceTriesAllSevenRatesAndRestoresTheTimeout)
{
    CLinkRig rig;
    rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.silent = true; }));
    rig.link.SetSettings("9600,E,7,1");
    ASSERT_EQ(rig.link.Open(), 1);
    const uint32_t start = rig.ticks.NowMs();
    EXPECT_EQ(rig.link.EnterProgramMode(), 1);
    EXPECT_EQ(rig.ProbeRates(),
              (std::vector<uint32_t>{9600, 19200, 4800, 2400, 1200, 38400, 57600}));
    EXPECT_EQ(rig.ticks.NowMs() - start, 115u + 105 + 123 + 138 + 170 + 102 + 101);
    EXPECT_EQ(rig.link.GetSettings(), "19200,E,7,1") << "the suffix of the settings is kept";
    EXPECT_EQ(rig.link.GetReadTimeout(), 1000u);
    EXPECT_TRUE(rig.link.IsOpen()) << "a failure leaves the port open";
}

TEST(EnterProgramMode, NoiseAfterSynIsDroppedUntilTheAckWithin3000Ms)
{
    for (const uint32_t late : {2800u, 3100u}) {
        CLinkRig rig;
        rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) {
            f.confirmNoise = 3;
            f.confirmDelayMs = late;
        }));
        ASSERT_EQ(rig.link.Open(), 1);
        EXPECT_EQ(rig.link.EnterProgramMode(), late < 3000 ? 0 : 1) << late;
        EXPECT_EQ(rig.ProbeRates().size(), 1u) << "no further rate is tried after SYN";
        EXPECT_EQ(rig.link.GetSettings(), "19200,N,8,2");
        EXPECT_EQ(rig.link.GetReadTimeout(), late < 3000 ? 550u : 1000u);
    }
}

TEST(EnterProgramMode, AFramingErrorEndsTheProbeAtOnce)
{
    CLinkRig rig;
    rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.lineFault = true; }));
    ASSERT_EQ(rig.link.Open(), 1);
    const uint32_t start = rig.ticks.NowMs();
    EXPECT_EQ(rig.link.EnterProgramMode(), 1);
    EXPECT_TRUE(rig.line.Sent().empty()) << "no rate is tried once the line shows errors";
    EXPECT_EQ(rig.ticks.NowMs() - start, 50u) << "the two checks lie 50 ms apart";
    EXPECT_EQ(rig.link.GetSettings(), "19200,N,8,2");
    EXPECT_EQ(rig.link.GetReadTimeout(), 1000u);
}

TEST(EnterProgramMode, AFailedWriteStopsAtTheProbeRate)
{
    CLinkRig rig;
    ASSERT_EQ(rig.link.Open(), 1);
    rig.line.SetWriteFails(true);
    EXPECT_EQ(rig.link.EnterProgramMode(), 1);
    EXPECT_EQ(rig.link.GetSettings(), "9600,N,8,2");
    EXPECT_EQ(rig.link.GetReadTimeout(), 1000u);
}

TEST(Identify, SeedFromTheLocalTimeAndMaskFromTheRecord)
{
    struct Case
    {
        int minute;
        int second;
        uint8_t seed;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{59, 59, 118}, Case{12, 34, 46}}) {
        CLinkRig rig;
        rig.local.Set(0, c.minute, c.second);
        ASSERT_EQ(rig.link.Open(), 1);
        ASSERT_EQ(rig.link.EnterProgramMode(), 0);
        rig.line.ClearTranscript();
        uint8_t id[16] = {};
        const uint32_t start = rig.ticks.NowMs();
        ASSERT_EQ(rig.link.Identify(id), 0);
        EXPECT_GE(rig.ticks.NowMs() - start, 50u);

        const auto& record = rig.mic.IdRecord();
        EXPECT_EQ(rig.line.Sent(), Bytes({0x02, c.seed, 0x06}));
        std::vector<uint8_t> expected(record.begin(), record.end());
        expected.push_back(0x06);
        EXPECT_EQ(rig.line.Received(), expected) << "identification travels unmasked";
        EXPECT_EQ(std::vector<uint8_t>(id, id + 16),
                  std::vector<uint8_t>(record.begin(), record.begin() + 16));
        const uint8_t sum = Sum(std::vector<uint8_t>(record.begin() + 32, record.begin() + 44));
        EXPECT_EQ(rig.link.GetMask(), sum ^ c.seed);
        EXPECT_EQ(rig.link.GetMask(), rig.mic.Mask()) << "both ends agree";
        EXPECT_TRUE(rig.link.IsKnownModel(id));
    }
}

TEST(Identify, AnotherModelIsIdentifiedButNotKnown)
{
    CLinkRig rig;
    rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.model = "PVHM_811"; }));
    ASSERT_EQ(rig.link.Open(), 1);
    ASSERT_EQ(rig.link.EnterProgramMode(), 0);
    uint8_t id[16] = {};
    ASSERT_EQ(rig.link.Identify(id), 0);
    EXPECT_FALSE(rig.link.IsKnownModel(id));
    const uint8_t known[16] = {'P', 'V', 'H', 'M', '_', '8', '1', '2', 0xFF, 0xFF};
    EXPECT_TRUE(rig.link.IsKnownModel(known)) << "only bytes 0 to 7 count";
}

TEST(Identify, ASilentMicrophoneLeavesTheMaskAlone)
{
    CLinkRig rig;
    ASSERT_EQ(rig.link.Open(), 1);
    ASSERT_EQ(rig.link.EnterProgramMode(), 0);
    rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.silent = true; }));
    uint8_t id[16] = {};
    EXPECT_EQ(rig.link.Identify(id), 1);
    EXPECT_EQ(rig.link.GetMask(), 0);
}

TEST(ReadBlock, DataAndFillFormsByteForByteMasked)
{
    CLinkRig rig;
    const std::vector<uint8_t> data = PatternBlock(3);
    std::copy(data.begin(), data.end(), rig.mic.GetImage().begin() + 256 * 4);
    ASSERT_TRUE(rig.Connect());
    const uint8_t mask = rig.link.GetMask();
    ASSERT_NE(mask, 0) << "pick a clock that gives a mask";

    rig.line.ClearTranscript();
    uint8_t block[256] = {};
    ASSERT_EQ(rig.link.ReadBlock(block, 4), 0);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 256), data);
    EXPECT_EQ(rig.SentPlain(mask), Bytes({0x52, 0x00, 0x04, 0x06}));
    EXPECT_EQ(rig.ReceivedPlain(mask), Concat({Bytes({0x57}), data, {Sum(data)}, Bytes({0x06})}));

    rig.line.ClearTranscript();
    ASSERT_EQ(rig.link.ReadBlock(block, 8), 0);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 256), std::vector<uint8_t>(256, 0xFF));
    EXPECT_EQ(rig.SentPlain(mask), Bytes({0x52, 0x00, 0x08, 0x06}));
    EXPECT_EQ(rig.ReceivedPlain(mask), Bytes({0x5A, 0xFF, 0x06}))
        << "a reply other than 0x57 fills the block, without checksum";
}

TEST(ReadBlock, OneDifferentByteAtEitherEndComesInFull)
{
    for (const std::size_t odd : {0, 255}) {
        CLinkRig rig;
        std::vector<uint8_t> data(256, 0x33);
        data[odd] = 0x34;
        std::copy(data.begin(), data.end(), rig.mic.GetImage().begin() + 256 * 2);
        ASSERT_TRUE(rig.Connect());
        const uint8_t mask = rig.link.GetMask();
        rig.line.ClearTranscript();
        uint8_t block[256] = {};
        ASSERT_EQ(rig.link.ReadBlock(block, 2), 0) << odd;
        EXPECT_EQ(std::vector<uint8_t>(block, block + 256), data) << odd;
        EXPECT_EQ(rig.ReceivedPlain(mask).front(), 0x57) << odd;
    }
}

TEST(ReadBlock, ChecksumMismatchIsNakedAndAskedAgain)
{
    CLinkRig rig;
    const std::vector<uint8_t> data = PatternBlock(9);
    std::copy(data.begin(), data.end(), rig.mic.GetImage().begin());
    ASSERT_TRUE(rig.Connect());
    rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.badChecksumOnce = true; }));
    const uint8_t mask = rig.link.GetMask();
    rig.line.ClearTranscript();
    uint8_t block[256] = {};
    ASSERT_EQ(rig.link.ReadBlock(block, 0), 0);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 256), data);
    EXPECT_EQ(rig.SentPlain(mask), Bytes({0x52, 0x00, 0x00, 0x15, 0x52, 0x00, 0x00, 0x06}));
}

TEST(ReadBlock, SilenceUsesAllThreeAttempts)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.silent = true; }));
    const uint8_t mask = rig.link.GetMask();
    rig.line.ClearTranscript();
    uint8_t block[256];
    std::fill(std::begin(block), std::end(block), 0x11);
    const uint32_t start = rig.ticks.NowMs();
    EXPECT_EQ(rig.link.ReadBlock(block, 2), CMicLink::kReadAttemptsFailed);
    EXPECT_EQ(rig.SentPlain(mask), Repeat(Bytes({0x52, 0x00, 0x02}), 3));
    EXPECT_EQ(rig.ticks.NowMs() - start, 3u * 550);
    EXPECT_EQ(block[0], 0x11);
}

TEST(ReadBlock, WriteFailuresHaveTheirOwnCodes)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.line.SetWriteFails(true);
    uint8_t block[256];
    EXPECT_EQ(rig.link.ReadBlock(block, 0), CMicLink::kReadCommandWriteFailed);
}

TEST(WriteBlock, DataAndFillFormsAreStored)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    const uint8_t mask = rig.link.GetMask();
    const std::vector<uint8_t> data = PatternBlock(1);

    rig.line.ClearTranscript();
    ASSERT_EQ(rig.link.WriteBlock(data, 1), 0);
    EXPECT_EQ(rig.SentPlain(mask), Concat({Bytes({0x57, 0x00, 0x01}), data, {Sum(data)}}));
    EXPECT_EQ(rig.ReceivedPlain(mask), Bytes({0x06}));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), rig.mic.GetImage().begin() + 256));

    for (const uint8_t value : {0x00, 0xFF}) {
        const std::vector<uint8_t> old = PatternBlock(2);
        std::copy(old.begin(), old.end(), rig.mic.GetImage().begin() + 256 * 8);
        rig.line.ClearTranscript();
        const std::vector<uint8_t> uniform(256, value);
        ASSERT_EQ(rig.link.WriteBlock(uniform, 8), 0);
        EXPECT_EQ(rig.SentPlain(mask), Bytes({0x5A, 0x00, 0x08, value}));
        EXPECT_TRUE(
            std::equal(uniform.begin(), uniform.end(), rig.mic.GetImage().begin() + 256 * 8))
            << int(value);
    }
    EXPECT_EQ(rig.link.GetReadTimeout(), 550u) << "the 3000 ms wait is only around the answer";
}

TEST(WriteBlock, OneDifferentByteAnywhereSendsTheWholeBlock)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    const uint8_t mask = rig.link.GetMask();
    for (const std::size_t odd : {0, 1, 128, 254, 255}) {
        std::vector<uint8_t> data(256, 0x33);
        data[odd] = 0x34;
        rig.line.ClearTranscript();
        ASSERT_EQ(rig.link.WriteBlock(data, 7), 0) << odd;
        EXPECT_EQ(rig.SentPlain(mask), Concat({Bytes({0x57, 0x00, 0x07}), data, {Sum(data)}}))
            << odd;
        EXPECT_TRUE(std::equal(data.begin(), data.end(), rig.mic.GetImage().begin() + 256 * 7))
            << odd;
    }
}

TEST(WriteBlock, NakIsSentAgainUpToThreeTimes)
{
    const std::vector<uint8_t> data = PatternBlock(5);
    for (const int naks : {2, 3}) {
        CLinkRig rig;
        ASSERT_TRUE(rig.Connect());
        rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.nakWrites = naks; }));
        rig.line.ClearTranscript();
        EXPECT_EQ(rig.link.WriteBlock(data, 0), naks < 3 ? 0 : 1);
        EXPECT_EQ(rig.line.Sent().size(), static_cast<std::size_t>(std::min(naks + 1, 3)) * 260);
    }
}

TEST(WriteBlock, NoAnswerWithin3000MsFailsAtOnce)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.silent = true; }));
    rig.line.ClearTranscript();
    const std::vector<uint8_t> data = PatternBlock(5);
    const uint32_t start = rig.ticks.NowMs();
    EXPECT_EQ(rig.link.WriteBlock(data, 0), 1);
    EXPECT_EQ(rig.ticks.NowMs() - start, 3000u);
    EXPECT_EQ(rig.line.Sent().size(), 260u) << "one attempt only";
}

TEST(PrepareWrite, WaitsUpTo20Seconds)
{
    for (const uint32_t delay : {19000u, 21000u}) {
        CLinkRig rig;
        ASSERT_TRUE(rig.Connect());
        rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.slowPrepareMs = delay; }));
        const uint8_t mask = rig.link.GetMask();
        rig.line.ClearTranscript();
        EXPECT_EQ(rig.link.PrepareWrite(), delay < 20000 ? 0 : 1);
        EXPECT_EQ(rig.SentPlain(mask), Bytes({0x2C, 0x00, 0xFF}));
        EXPECT_EQ(rig.link.GetReadTimeout(), 550u);
    }
}

// Ctrl+C gives up the write preparation's long wait at once; a block, in
// the middle of its exchange, is still read to its end, so that the
// microphone hears the end of the session it understands.
TEST(PrepareWrite, AStopGivesUpTheLongWaitButNoBlock)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    std::atomic<bool> stop{true};
    rig.link.SetStopFlag(&stop);
    uint8_t block[256] = {};
    EXPECT_EQ(rig.link.ReadBlock(CMutableBytes(block, sizeof block), 0), 0)
        << "a block's exchange is not cut short";
    EXPECT_EQ(rig.link.WriteBlock(CConstBytes(block, sizeof block), 0), 0)
        << "nor is a block write's: its answer is awaited";
    rig.mic.SetFaults(MakeFaults([](CMicFaults& f) { f.slowPrepareMs = 15000; }));
    const uint32_t before = rig.ticks.NowMs();
    EXPECT_NE(rig.link.PrepareWrite(), 0);
    EXPECT_LT(rig.ticks.NowMs() - before, 15000u) << "the wait was not given up";
}

TEST(EndProgramMode, AnsweredAt19200)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    const uint8_t mask = rig.link.GetMask();
    rig.line.ClearTranscript();
    EXPECT_EQ(rig.link.EndProgramMode(), 0);
    EXPECT_EQ(rig.SentPlain(mask), Bytes({0x45}));
    EXPECT_EQ(rig.ReceivedPlain(mask), Bytes({0x06}));
    EXPECT_FALSE(rig.mic.InProgramMode());
    EXPECT_EQ(rig.link.GetSettings(), "19200,N,8,2");
}

TEST(EndProgramMode, UnansweredIsSentOnceMoreAt9600)
{
    CLinkRig rig;
    rig.mic.SetFaults(MakeFaults([&](CMicFaults& f) { f.dropAfterBlock = 0; }));
    ASSERT_TRUE(rig.Connect());
    uint8_t block[256];
    ASSERT_EQ(rig.link.ReadBlock(block, 0), 0);
    const uint8_t mask = rig.link.GetMask();
    rig.line.ClearTranscript();
    EXPECT_EQ(rig.link.EndProgramMode(), 1);
    const auto& wire = rig.line.Transcript();
    ASSERT_EQ(wire.size(), 2u);
    EXPECT_EQ(wire[0].byte, 0x45 ^ mask);
    EXPECT_EQ(wire[0].rate, 19200u);
    EXPECT_EQ(wire[1].byte, 0x45 ^ mask) << "still masked";
    EXPECT_EQ(wire[1].rate, 9600u);
    EXPECT_EQ(rig.link.GetSettings(), "9600,N,8,2");
}

TEST(AbortWrite, OneMaskedAttempt)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    const uint8_t mask = rig.link.GetMask();
    rig.line.ClearTranscript();
    EXPECT_EQ(rig.link.AbortWrite(), 0);
    EXPECT_EQ(rig.SentPlain(mask), Bytes({0xE7}));
    rig.line.ClearTranscript();
    EXPECT_EQ(rig.link.AbortWrite(), 1) << "the microphone has left programming mode";
    EXPECT_EQ(rig.line.Sent().size(), 1u);
    EXPECT_EQ(rig.link.GetSettings(), "19200,N,8,2");
}

TEST(EnterProgramMode, ResetsTheMaskOfTheLastSession)
{
    CLinkRig rig;
    ASSERT_TRUE(rig.Connect());
    ASSERT_EQ(rig.link.EndProgramMode(), 0);
    ASSERT_NE(rig.link.GetMask(), 0);
    rig.line.ClearTranscript();
    EXPECT_EQ(rig.link.EnterProgramMode(), 0);
    EXPECT_EQ(rig.link.GetMask(), 0);
    EXPECT_EQ(rig.line.Sent(), kProgram) << "entry travels unmasked, from the first rate";
}

TEST(BlockBuffers, ShorterThanTheyMustBeFailBeforeAnythingIsSent)
{
    CLinkRig rig;
    ASSERT_EQ(rig.link.Open(), 1);
    ASSERT_EQ(rig.link.EnterProgramMode(), 0);
    rig.line.ClearTranscript();
    std::vector<uint8_t> shortId(Wire::kIdBufferSize - 1);
    EXPECT_EQ(rig.link.Identify(shortId), 1);
    EXPECT_TRUE(rig.line.Sent().empty());
    EXPECT_EQ(rig.link.GetMask(), 0);
    uint8_t id[Wire::kIdBufferSize] = {};
    ASSERT_EQ(rig.link.Identify(id), 0) << "the microphone still waits for its question";

    const std::vector<uint8_t> model{'P', 'V', 'H', 'M', '_', '8', '1', '2'};
    EXPECT_TRUE(rig.link.IsKnownModel(model));
    EXPECT_FALSE(rig.link.IsKnownModel(CConstBytes{model.data(), model.size() - 1}));

    rig.line.ClearTranscript();
    std::vector<uint8_t> shortBlock(Wire::kBlockSize - 1, 0x11);
    EXPECT_EQ(rig.link.ReadBlock(shortBlock, 0), CMicLink::kReadBufferTooSmall);
    EXPECT_EQ(rig.link.WriteBlock(shortBlock, 0), 1);
    EXPECT_TRUE(rig.line.Sent().empty());

    // A smaller block size needs only that many bytes.
    rig.link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize / 2));
    std::vector<uint8_t> half(Wire::kBlockSize / 2);
    EXPECT_EQ(rig.link.ReadBlock(half, 0), 0);
}
