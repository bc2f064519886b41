// How often a transfer over a noisy line reports success with a wrong
// image, with and without verification; in-process, on a clock the
// benchmark moves, so that time-outs cost nothing.
//
//   bench_noise [TRANSFERS]   (10000 reads and 10000 writes per rate)
#include "bench/BenchSupport.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "job/VerifiedTransfer.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "link/Transfer.h"
#include "sim/InProcessLine.h"
#include "sim/NoisyDevice.h"
#include "sim/VirtualMic.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

constexpr int kDefaultTransfers = 10000;
constexpr double kRates[] = {1e-5, 1e-4, 1e-3};
constexpr uint32_t kVerifyWaitMs = 10000;
constexpr uint64_t kSeed = 20240501;

// An image like a configuration: some blocks of equal bytes (sent in the
// fill form), the others varied.
MicImage RandomImage(std::mt19937_64& random)
{
    MicImage image{};
    for (std::size_t block = 0; block < Wire::kBlockCount; ++block) {
        uint8_t* bytes = image.data() + block * Wire::kBlockSize;
        if (random() % 3 == 0) {
            std::memset(bytes, static_cast<int>(random() & 0xFF), Wire::kBlockSize);
            continue;
        }
        for (std::size_t i = 0; i < Wire::kBlockSize; ++i)
            bytes[i] = static_cast<uint8_t>(random());
    }
    return image;
}

struct CCounts
{
    int transfers = 0;
    int plainOk = 0;       // reported success without verification
    int plainWrong = 0;    // ... with a wrong image
    int verifiedOk = 0;    // reported success with verification
    int verifiedWrong = 0; // ... with a wrong image
    int differs = 0;       // writes: verification found another image
    int notVerified = 0;   // writes: the read-back did not succeed
    int micChanged = 0;    // reads: the microphone's image changed during the read
};

// What every transfer shares: the noisy line's clock and noise, and the
// texts of a transfer.
struct CBench
{
    CBench(double rate, uint64_t seed) : noise(rate, seed) { texts.SelectLanguage("English"); }

    CManualTickClock ticks{1000};
    CFixedClock local{10, 0, 0};
    CBitNoise noise;
    CTextCatalog texts;
};

// A microphone just connected to the noisy line. Each transfer gets a new
// one, so that a microphone that a damaged session left in programming
// mode does not spoil the transfers after it.
struct CNoisyStation
{
    explicit CNoisyStation(CBench& bench)
        : line(mic, bench.ticks),
          link(NoisyDeviceFactory(line.Factory(), bench.noise), bench.ticks, bench.local),
          store(&bench.texts), transfer(link, store, bench.texts, view)
    {
        link.SetDeviceName(kDevice);
        store.Reset();
    }

    static constexpr const char* kDevice = "/dev/noisy";

    MicImage Held() const
    {
        MicImage image{};
        std::copy(mic.GetImage().begin(), mic.GetImage().end(), image.begin());
        return image;
    }

    CVirtualMic mic;
    CInProcessLine line;
    CMicLink link;
    CConfigStore store;
    CSilentView view;
    CTransfer transfer;
};

void Reads(CBench& bench, std::mt19937_64& random, int transfers, CCounts& counts)
{
    for (int n = 0; n < transfers; ++n) {
        CNoisyStation station(bench);
        const MicImage truth = RandomImage(random);
        std::copy(truth.begin(), truth.end(), station.mic.GetImage().begin());
        MicImage first{};
        bool firstOk = false;
        int reads = 0;
        const CConfirmedRead confirmed = ReadConfirmed([&](MicImage& image) {
            const bool ok = RunSession(station.link, SessionWork::kRead, image).Ok();
            if (++reads == 1) {
                firstOk = ok;
                first = image;
            }
            return ok;
        });
        // A read is right when it holds what the microphone holds at its
        // end; a damaged read command can change that on the way.
        const MicImage held = station.Held();
        ++counts.transfers;
        if (held != truth)
            ++counts.micChanged;
        if (firstOk) {
            ++counts.plainOk;
            if (first != held)
                ++counts.plainWrong;
        }
        if (confirmed.status == CConfirmedRead::kConfirmed) {
            ++counts.verifiedOk;
            if (confirmed.image != held)
                ++counts.verifiedWrong;
        }
    }
}

void Writes(CBench& bench, std::mt19937_64& random, int transfers, CCounts& counts)
{
    for (int n = 0; n < transfers; ++n) {
        CNoisyStation station(bench);
        const MicImage before = RandomImage(random);
        std::copy(before.begin(), before.end(), station.mic.GetImage().begin());
        const MicImage file = RandomImage(random);
        std::copy(file.begin(), file.end(), station.store.WorkingImage());
        ++counts.transfers;
        station.link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
        if (!station.transfer.Move(TransferMode::Write).Ok())
            continue;
        ++counts.plainOk;
        if (station.Held() != file)
            ++counts.plainWrong;
        const CVerifyResult verify = VerifyWritten(station.link, file, kVerifyWaitMs);
        if (verify.status == CVerifyResult::kVerified) {
            ++counts.verifiedOk;
            if (station.Held() != file)
                ++counts.verifiedWrong;
        } else if (verify.status == CVerifyResult::kDiffers) {
            ++counts.differs;
        } else {
            ++counts.notVerified;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int transfers = argc > 1 ? std::atoi(argv[1]) : kDefaultTransfers;
    if (transfers <= 0) {
        std::fprintf(stderr, "usage: bench_noise [TRANSFERS]\n");
        return 2;
    }
    std::printf("%d reads and %d writes per bit error rate, in-process; a read is verified by "
                "reading until two agree, a write by reading it back.\n\n",
                transfers, transfers);
    std::printf("%-7s %-5s %9s %12s %9s %12s %8s %9s %11s\n", "BER", "op", "ok plain",
                "WRONG plain", "ok verif", "WRONG verif", "differs", "not read", "mic changed");
    bool clean = true;
    for (const double rate : kRates) {
        const auto start = std::chrono::steady_clock::now();
        std::mt19937_64 random(kSeed);
        CCounts reads;
        CCounts writes;
        {
            CBench bench(rate, kSeed + 1);
            Reads(bench, random, transfers, reads);
        }
        {
            CBench bench(rate, kSeed + 2);
            Writes(bench, random, transfers, writes);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (const auto& [name, counts] : {std::pair{"read", reads}, std::pair{"write", writes}}) {
            std::printf("%-7g %-5s %9d %12d %9d %12d %8d %9d %11d\n", rate, name, counts.plainOk,
                        counts.plainWrong, counts.verifiedOk, counts.verifiedWrong, counts.differs,
                        counts.notVerified, counts.micChanged);
            clean = clean && counts.verifiedWrong == 0;
        }
        std::printf("        (%.1f s)\n", seconds);
    }
    std::printf("\nWith verification, wrong images reported as successful: %s\n",
                clean ? "none" : "SOME");
    return clean ? 0 : 1;
}
