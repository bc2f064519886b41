// The production line of the simulator, and ports that program
// microphones side by side: one microphone is never written twice, and a
// port that hangs does not hold up another.
#include "job/FleetRunner.h"
#include "job/PortStation.h"
#include "job/ProductionRun.h"
#include "link/FleetRig.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <future>
#include <map>
#include <mutex>

namespace {

// The write sequence on the protocol, reporting each block.
CMicRecord WriteImage(CMicLink& link, const CVirtualMic::Image& image, const BlockReport& block)
{
    link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    std::array<uint8_t, Wire::kIdBufferSize> id{};
    bool ok = link.SetOpen(1) && link.EnterProgramMode() == 0 && link.Identify(id) == 0 &&
              link.PrepareWrite() == 0;
    for (int i = 0; ok && i < static_cast<int>(Wire::kBlockCount); ++i) {
        block(i + 1, static_cast<int>(Wire::kBlockCount));
        ok = link.WriteBlock(CConstBytes(image.data() + Wire::kBlockSize * i, Wire::kBlockSize),
                             i) == 0;
    }
    link.EndProgramMode();
    link.SetOpen(0);
    CMicRecord record;
    record.result = ok ? JobResult::kWritten : JobResult::kFailed;
    return record;
}

class CCountingObserver : public IFleetObserver
{
public:
    void OnState(std::size_t, PortState) override {}
    void OnBlock(std::size_t, int, int) override {}
    void OnResult(std::size_t port, const CMicRecord& outcome) override
    {
        if (port < done.size() && outcome.Ok())
            ++done[port];
    }
    std::array<std::atomic<int>, 2> done{};
};

// Writes the test image once on one microphone of the rig.
void WriteOnce(CFleetRigPort& port)
{
    const std::unique_ptr<CMicLink> link = port.MakeLink();
    ASSERT_TRUE(WriteImage(*link, PatternImage(), [](int, int) {}).Ok());
}

} // namespace

TEST(MicSwap, UnplugsAfterTheFirstWriteAndPlugsTheNextOnceTheLineWasSeenEmpty)
{
    CFleetRigPort port("/dev/vmic-swap");
    port.PlayBatch(2000, 2);
    const std::unique_ptr<CMicLink> link = port.MakeLink();

    EXPECT_EQ(ProbeMicrophone(*link), Presence::kPresent) << "probing writes nothing";
    port.ticks.Advance(5000);
    EXPECT_EQ(ProbeMicrophone(*link), Presence::kPresent) << "the count starts with a write";

    WriteOnce(port);
    const uint32_t writtenAt = port.ticks.NowMs();
    EXPECT_EQ(port.mic.GetImage(), PatternImage());
    port.ticks.Advance(1000);
    WriteOnce(port); // a later write does not restart the count
    // A probe's entry request goes out 50 ms after it opens the port.
    port.ticks.Set(writtenAt + 1900);
    EXPECT_EQ(ProbeMicrophone(*link), Presence::kPresent);
    EXPECT_EQ(port.swap->Current(), 1);

    port.ticks.Set(writtenAt + 2000);
    EXPECT_EQ(ProbeMicrophone(*link), Presence::kAbsent);
    EXPECT_EQ(port.swap->Current(), 0);
    EXPECT_EQ(ProbeMicrophone(*link), Presence::kAbsent) << "the line stays empty for two probes";
    EXPECT_EQ(ProbeMicrophone(*link), Presence::kPresent);
    EXPECT_EQ(port.swap->Current(), 2);
    EXPECT_EQ(port.mic.GetImage()[2], 2) << "the next microphone's own image";

    WriteOnce(port);
    port.ticks.Advance(2000);
    for (int probe = 0; probe < 4; ++probe)
        EXPECT_EQ(ProbeMicrophone(*link), Presence::kAbsent) << "no microphone left";
    EXPECT_EQ(port.writes, (std::vector<int>{2, 1}));
}

TEST(MicSwap, NeverUnplugsInTheMiddleOfASession)
{
    CFleetRigPort port("/dev/vmic-session");
    port.PlayBatch(100, 2);
    WriteOnce(port);

    const std::unique_ptr<CMicLink> link = port.MakeLink();
    link->SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    std::array<uint8_t, Wire::kIdBufferSize> id{};
    ASSERT_TRUE(link->SetOpen(1) && link->EnterProgramMode() == 0 && link->Identify(id) == 0);
    port.ticks.Advance(5000);
    std::array<uint8_t, Wire::kBlockSize> block{};
    for (int i = 0; i < static_cast<int>(Wire::kBlockCount); ++i)
        EXPECT_EQ(link->ReadBlock(block, i), 0) << "the read-back goes on, block " << i;
    EXPECT_EQ(link->EndProgramMode(), 0);
    link->SetOpen(0);
    EXPECT_EQ(ProbeMicrophone(*link), Presence::kAbsent) << "unplugged at the next session";
}

TEST(PortStation, WritesEachMicrophoneOnceAndWaitsUntilItIsGone)
{
    CFleetRigPort rig("/dev/vmic-line");
    // The microphone stays long after its write: the station probes it
    // many times meanwhile and must not write it again.
    rig.PlayBatch(20000, 3);
    CCountingObserver observer;
    std::vector<CFleetPort> ports(1);
    ports[0].name = rig.name;
    ports[0].makeLink = [&rig] { return rig.MakeLink(); };
    CFleetRunner* running = nullptr;
    ports[0].pause = [&](uint32_t ms) {
        rig.Pause(ms);
        if (observer.done[0] == 3)
            running->RequestStop(); // the line is empty now
    };
    std::vector<int> blocks;
    const MicJob job = [&](CMicLink& link, const CJobContext& progress) {
        return WriteImage(link, PatternImage(), [&](int n, int total) {
            blocks.push_back(n);
            EXPECT_EQ(total, 9);
            progress.block(n, total);
        });
    };
    CFleetRunner runner(std::move(ports), job, observer);
    running = &runner;
    runner.Run(FleetMode::kContinuous);

    EXPECT_EQ(rig.writes, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(rig.mic.GetImage(), PatternImage());
    EXPECT_EQ(runner.Totals()[0].tally.good, 3);
    EXPECT_TRUE(runner.Totals()[0].failed.empty());
    EXPECT_EQ(RunVerdict(runner.Totals(), FleetMode::kContinuous), Verdict::kOk);
    EXPECT_EQ(blocks.size(), 27u);
}

// A continuous run whose gate is shut (the shop's record away) takes no new
// microphone until it opens, with or without a quantity.
TEST(FleetRunner, AShutGateTakesNoNewMicrophoneUntilItOpens)
{
    CFleetRigPort rig("/dev/vmic-gate");
    rig.PlayBatch(1000, 2);
    CCountingObserver observer;
    std::vector<CFleetPort> ports(1);
    ports[0].name = rig.name;
    ports[0].makeLink = [&rig] { return rig.MakeLink(); };
    CFleetRunner* running = nullptr;
    int pauses = 0;
    ports[0].pause = [&](uint32_t ms) {
        rig.Pause(ms);
        if (observer.done[0] == 2 || ++pauses > 1000) // a gate that never opens ends too
            running->RequestStop();
    };
    int asked = 0;
    int askedAtFirstWrite = -1;
    const MicJob job = [&](CMicLink& link, const CJobContext& progress) {
        if (askedAtFirstWrite < 0)
            askedAtFirstWrite = asked;
        return WriteImage(link, PatternImage(),
                          [&](int n, int total) { progress.block(n, total); });
    };
    CFleetRunner runner(std::move(ports), job, observer);
    running = &runner;
    runner.SetGate([&] { return ++asked > 3; }); // shut for the first three microphones seen
    runner.Run(FleetMode::kContinuous);
    EXPECT_EQ(rig.writes, (std::vector<int>{1, 1}));
    EXPECT_EQ(askedAtFirstWrite, 4) << "no microphone while the gate was shut";
}

// A probe that goes unanswered once while the microphone is still there
// (noise, a slow answer) does not make it gone, so it is not written again.
TEST(PortStation, AMicrophoneThatMissesOneProbeIsNotTakenAsGone)
{
    CFleetRigPort rig("/dev/vmic-miss");
    int writes = 0;
    rig.mic.SetStoredHandler([&] { ++writes; });
    // Open 1 finds the microphone and open 2 writes it; of the probes after
    // that, the first and the fourth go unanswered.
    rig.mic.SetReceiveHook([&](const uint8_t*, std::size_t, uint32_t) {
        rig.mic.SetPlugged(rig.line.OpenCount() != 3 && rig.line.OpenCount() != 6);
    });
    const std::unique_ptr<CMicLink> link = rig.MakeLink();
    std::atomic<bool> stop{false};
    const auto pause = [&](uint32_t ms) {
        rig.Pause(ms);
        if (rig.line.OpenCount() >= 12)
            stop = true;
    };
    const MicJob job = [](CMicLink& on, const CJobContext& progress) {
        return WriteImage(on, PatternImage(), progress.block);
    };
    std::vector<int> numbers;
    CPortStation::CEvents events;
    events.result = [&](const CMicRecord& record) { numbers.push_back(record.microphone); };
    CPortStation station(rig.name, *link, job, stop, pause, events);
    station.RunContinuous();

    EXPECT_GE(rig.line.OpenCount(), 12);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(numbers, std::vector<int>{1});
}

// An adapter pulled while its microphone waits for removal is no removal:
// the microphone may still hang on the cable, and it is not written again
// once the adapter is back.
TEST(PortStation, AnAdapterPulledBeforeRemovalIsNoRemoval)
{
    CFleetRigPort rig("/dev/vmic-pulled");
    int writes = 0;
    rig.mic.SetStoredHandler([&] { ++writes; });
    const std::unique_ptr<CMicLink> link = rig.MakeLink();
    std::atomic<bool> stop{false};
    int pausesAfterWrite = 0;
    const auto pause = [&](uint32_t ms) {
        rig.Pause(ms);
        if (writes == 0)
            return;
        ++pausesAfterWrite;
        // Gone for three probes, then back with the microphone still on it.
        rig.line.SetDeviceName(pausesAfterWrite <= 3 ? "/dev/elsewhere" : rig.name);
        if (pausesAfterWrite >= 10)
            stop = true;
    };
    const MicJob job = [](CMicLink& on, const CJobContext& progress) {
        return WriteImage(on, PatternImage(), progress.block);
    };
    std::vector<PortState> states;
    CPortStation::CEvents events;
    events.state = [&](PortState state) { states.push_back(state); };
    CPortStation station(rig.name, *link, job, stop, pause, events);
    station.RunContinuous();

    EXPECT_EQ(writes, 1);
    const std::vector<PortState> after(
        std::find(states.begin(), states.end(), PortState::kRemoving), states.end());
    EXPECT_EQ(after, (std::vector<PortState>{PortState::kRemoving, PortState::kNoPort,
                                             PortState::kRemoving, PortState::kFinished}));
}

TEST(FleetRunner, APortThatHangsDoesNotHoldUpAnother)
{
    CFleetRigPort stuck("/dev/vmic-stuck");
    CFleetRigPort busy("/dev/vmic-busy");
    busy.PlayBatch(1000, 3);

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> stuckInJob{false};
    bool stuckWhenBusyDone = false;
    CCountingObserver observer;
    CFleetRunner* running = nullptr;

    std::vector<CFleetPort> ports(2);
    ports[0].name = stuck.name;
    ports[0].makeLink = [&stuck] { return stuck.MakeLink(); };
    ports[0].pause = [&stuck](uint32_t ms) { stuck.Pause(ms); };
    ports[1].name = busy.name;
    ports[1].makeLink = [&busy] { return busy.MakeLink(); };
    ports[1].pause = [&](uint32_t ms) {
        busy.Pause(ms);
        if (observer.done[1] == 3 && !running->StopRequested()) {
            stuckWhenBusyDone = stuckInJob;
            running->RequestStop();
            release.set_value();
        }
    };
    // The busy port starts once the other one hangs.
    std::promise<void> hanging;
    std::shared_future<void> hangs = hanging.get_future().share();
    const MicJob job = [&](CMicLink& link, const CJobContext& progress) {
        if (link.GetDeviceName() == stuck.name) {
            stuckInJob = true;
            hanging.set_value();
            released.wait(); // hangs until the other port is through
            const CMicRecord outcome = WriteImage(link, PatternImage(), progress.block);
            stuckInJob = false;
            return outcome;
        }
        hangs.wait();
        return WriteImage(link, PatternImage(), progress.block);
    };
    CFleetRunner runner(std::move(ports), job, observer);
    running = &runner;
    runner.Run(FleetMode::kContinuous);

    EXPECT_TRUE(stuckWhenBusyDone) << "three microphones while the other port hung";
    EXPECT_EQ(busy.writes, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(runner.Totals()[1].tally.good, 3);
    EXPECT_EQ(runner.Totals()[0].tally.good, 1) << "the hung transfer was let finish";
    EXPECT_EQ(stuck.mic.GetImage(), PatternImage());
}

TEST(FleetRunner, OnceTellsWhichPortFailed)
{
    CFleetRigPort good("/dev/vmic-good");
    CFleetRigPort cut("/dev/vmic-cut");
    cut.line.SetWriteFails(true);
    CCountingObserver observer;
    std::vector<CFleetPort> ports(2);
    ports[0].name = good.name;
    ports[0].makeLink = [&good] { return good.MakeLink(); };
    ports[1].name = cut.name;
    ports[1].makeLink = [&cut] { return cut.MakeLink(); };
    const MicJob job = [](CMicLink& link, const CJobContext& progress) {
        return WriteImage(link, PatternImage(), progress.block);
    };
    CFleetRunner runner(std::move(ports), job, observer);
    runner.Run(FleetMode::kOnce);

    EXPECT_EQ(runner.Totals()[0].tally.good, 1);
    ASSERT_EQ(runner.Totals()[1].failed.size(), 1u);
    EXPECT_EQ(runner.Totals()[1].failed[0].microphone, 1);
    EXPECT_EQ(runner.Totals()[1].failed[0].port, cut.name);
    EXPECT_EQ(RunVerdict(runner.Totals(), FleetMode::kOnce), Verdict::kFailure);
    EXPECT_EQ(good.mic.GetImage(), PatternImage());
}

TEST(FleetRunner, AContinuousPortThatNeverOpensFailsTheRun)
{
    CFleetRigPort good("/dev/vmic-good");
    good.PlayBatch(1000, 1);
    CManualTickClock missingTicks{1000};
    CFixedClock missingLocal{10, 0, 0};
    CCountingObserver observer;
    CFleetRunner* running = nullptr;
    std::vector<CFleetPort> ports(2);
    ports[0].name = "/dev/vmic-missing";
    ports[0].makeLink = [&] {
        // A cable that is not there: no device ever opens.
        auto link = std::make_unique<CMicLink>(
            []() -> std::unique_ptr<IByteDevice> { return nullptr; }, missingTicks, missingLocal);
        link->SetDeviceName("/dev/vmic-missing");
        return link;
    };
    std::atomic<int> pauses{0};
    ports[0].pause = [&](uint32_t) { ++pauses; };
    ports[1].name = good.name;
    ports[1].makeLink = [&good] { return good.MakeLink(); };
    ports[1].pause = [&](uint32_t ms) {
        good.Pause(ms);
        if (observer.done[1] == 1 && pauses > 2)
            running->RequestStop();
    };
    const MicJob job = [](CMicLink& link, const CJobContext& progress) {
        return WriteImage(link, PatternImage(), progress.block);
    };
    CFleetRunner runner(std::move(ports), job, observer);
    running = &runner;
    runner.Run(FleetMode::kContinuous);

    EXPECT_TRUE(runner.Totals()[0].neverOpened);
    EXPECT_TRUE(runner.Totals()[0].failed.empty()) << "no microphone failed on it";
    EXPECT_FALSE(runner.Totals()[1].neverOpened);
    EXPECT_EQ(runner.Totals()[1].tally.good, 1);
    EXPECT_EQ(RunVerdict(runner.Totals(), FleetMode::kContinuous), Verdict::kFailure)
        << "a port that never opened is not a success";
}

// The verdict of a run from its ports' tallies: the worst microphone
// first, then whether each port did its part.
TEST(ProductionRun, TheVerdictComesFromTheTallies)
{
    const auto port = [](int good, int failed, int notVerified, int holdsOther,
                         int interrupted = 0) {
        CPortTotals totals;
        totals.tally.good = good;
        totals.tally.failed = failed;
        totals.tally.notVerified = notVerified;
        totals.tally.holdsOther = holdsOther;
        totals.tally.interrupted = interrupted;
        return totals;
    };
    const struct
    {
        std::vector<CPortTotals> ports;
        FleetMode mode;
        Verdict verdict;
    } cases[] = {
        {{port(1, 0, 0, 0), port(1, 0, 0, 0)}, FleetMode::kOnce, Verdict::kOk},
        {{port(1, 0, 0, 0), port(0, 0, 0, 0)}, FleetMode::kOnce, Verdict::kFailure},
        {{port(0, 0, 0, 0)}, FleetMode::kContinuous, Verdict::kOk},
        {{port(0, 0, 0, 0)}, FleetMode::kRepeated, Verdict::kOk},
        {{port(1, 1, 1, 0)}, FleetMode::kContinuous, Verdict::kNotVerified},
        {{port(1, 1, 0, 1), port(0, 1, 1, 0)}, FleetMode::kContinuous, Verdict::kHoldsOther},
        {{port(1, 2, 1, 0)}, FleetMode::kContinuous, Verdict::kFailure},
        {{port(1, 1, 0, 0, 1)}, FleetMode::kRepeated, Verdict::kInterrupted},
        {{port(1, 2, 0, 0, 1)}, FleetMode::kRepeated, Verdict::kFailure},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunVerdict(c.ports, c.mode), c.verdict) << static_cast<int>(c.verdict);
    std::vector<CPortTotals> neverOpened(1);
    neverOpened[0].neverOpened = true;
    EXPECT_EQ(RunVerdict(neverOpened, FleetMode::kContinuous), Verdict::kFailure);
}

namespace {

// Every block each port reports, as (n, total).
class CBlockObserver : public IFleetObserver
{
public:
    void OnState(std::size_t, PortState) override {}
    void OnBlock(std::size_t port, int n, int total) override
    {
        const std::lock_guard<std::mutex> lock(mutex);
        blocks[port].emplace_back(n, total);
    }
    void OnResult(std::size_t, const CMicRecord&) override {}
    std::mutex mutex;
    std::map<std::size_t, std::vector<std::pair<int, int>>> blocks;
};

} // namespace

// A production run over links of its own names its ports as the user did
// and pins no system port for them; each port reports its blocks counted
// from 1, the write's and the read-back's, never a block 0.
TEST(ProductionRun, PortsWithLinksOfTheirOwnReportTheirBlocksAndPinNothing)
{
    QTemporaryDir settingsHome;
    ASSERT_TRUE(settingsHome.isValid());
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, settingsHome.path());

    std::map<std::string, std::unique_ptr<CFleetRigPort>> rigs;
    std::vector<CProductionPort> ports;
    for (const char* name : {"COM7", "COM8"}) {
        auto& rig = rigs[name] = std::make_unique<CFleetRigPort>(name);
        CProductionPort port;
        port.name = name;
        port.makeLink = [&rig = *rig] { return rig.MakeLink(); };
        port.pause = [&rig = *rig](uint32_t ms) { rig.Pause(ms); };
        ports.push_back(std::move(port));
    }
    CConfigStore::Image image{};
    const CVirtualMic::Image pattern = PatternImage();
    std::copy(pattern.begin(), pattern.end(), image.begin());
    CProductionSettings settings;
    settings.job.dataFile = "mic.dat";
    const CFixedClock clock{10, 0, 0};
    CProductionRun run(image, std::move(ports), settings, clock);
    CBlockObserver observer;
    LogFileState log = LogFileState::kNew;
    ASSERT_TRUE(run.Run(observer, log));

    EXPECT_EQ(run.Summary().tally.good, 2);
    for (std::size_t port = 0; port < 2; ++port) {
        const auto& blocks = observer.blocks[port];
        // A block may be told twice (the end of a transfer repeats its last).
        std::vector<std::pair<int, int>> counted = blocks;
        counted.erase(std::unique(counted.begin(), counted.end()), counted.end());
        EXPECT_EQ(counted.size(), 2 * Wire::kBlockCount) << "the write's, then the read-back's";
        for (const auto& [n, total] : blocks) {
            EXPECT_GE(n, 1);
            EXPECT_LE(n, total);
        }
    }
    QSettings stored(QStringLiteral("ZEPHRAN"), QStringLiteral("QZM530RX"));
    stored.beginGroup(QStringLiteral("Ports"));
    EXPECT_TRUE(stored.childKeys().isEmpty()) << "a port with a link of its own is no system port";
}
