#include "job/VerifiedTransfer.h"

#include "link/MicLink.h"
#include "link/TickClock.h"

#include <algorithm>
#include <cstdio>

namespace {

// A pause is waited out in slices this long, the window messages handled
// between them.
constexpr uint32_t kPauseSliceMs = 50;
// Read-backs that must differ from the image written before it counts as
// differing.
constexpr int kDifferingReadBacks = 2;

void WaitPumped(ITickClock& clock, uint32_t ms)
{
    const uint32_t start = clock.NowMs();
    while (clock.NowMs() - start < ms) {
        WaitMs(clock, std::min(kPauseSliceMs, ms - (clock.NowMs() - start)));
        PumpMessages();
    }
}

void AddBlocks(std::vector<int>& into, const std::vector<int>& blocks)
{
    into.insert(into.end(), blocks.begin(), blocks.end());
    std::sort(into.begin(), into.end());
    into.erase(std::unique(into.begin(), into.end()), into.end());
}

} // namespace

CImageDiff CompareImages(const MicImage& a, const MicImage& b)
{
    CImageDiff diff;
    for (std::size_t block = 0; block < Wire::kBlockCount; ++block) {
        const std::size_t begin = block * Wire::kBlockSize;
        const auto first = std::mismatch(a.begin() + begin, a.begin() + begin + Wire::kBlockSize,
                                         b.begin() + begin);
        if (first.first == a.begin() + begin + Wire::kBlockSize)
            continue;
        diff.blocks.push_back(static_cast<int>(block));
        if (diff.firstOffset < 0)
            diff.firstOffset = static_cast<int>(first.first - a.begin());
    }
    return diff;
}

CRetryWindow::CRetryWindow(ITickClock& clock, uint32_t waitMs)
    : m_clock(clock), m_startMs(clock.NowMs()), m_waitMs(waitMs)
{
}

bool CRetryWindow::PauseForRetry()
{
    const uint32_t elapsed = m_clock.NowMs() - m_startMs;
    if (elapsed >= m_waitMs)
        return false;
    WaitPumped(m_clock, std::min(kVerifyRetryPauseMs, m_waitMs - elapsed));
    return true;
}

CVerifyResult VerifyWritten(CMicLink& link, const MicImage& written, uint32_t waitMs,
                            const BlockProgress& progress)
{
    CVerifyResult result;
    CRetryWindow retry(link.Ticks(), waitMs);
    MicImage image{};
    int differing = 0;
    while (true) {
        ++result.sessions;
        CSessionHooks hooks;
        if (progress) {
            // The counter starts at "Block 0 / 9" as a transfer's does.
            hooks.blocksBegin = [&progress] { progress(0); };
            hooks.block = progress;
        }
        result.lastRead = CSession(link, std::move(hooks)).Run(SessionWork::kRead, image);
        if (result.lastRead.Ok()) {
            result.diff = CompareImages(written, image);
            if (result.diff.Equal()) {
                result.status = CVerifyResult::kVerified;
                return result;
            }
            // Noise that can damage a write can as well damage its read-back.
            if (++differing == kDifferingReadBacks) {
                result.status = CVerifyResult::kDiffers;
                return result;
            }
            continue;
        }
        if (result.lastRead.interrupted || !retry.PauseForRetry())
            break;
    }
    result.status = CVerifyResult::kNotRead;
    return result;
}

CConfirmedRead ReadConfirmed(const ImageReader& read)
{
    CConfirmedRead result;
    std::array<MicImage, 3> images{};
    const auto readInto = [&](MicImage& image) {
        ++result.reads;
        return read(image);
    };
    if (!readInto(images[0]) || !readInto(images[1]))
        return result;
    const CImageDiff first = CompareImages(images[0], images[1]);
    if (first.Equal()) {
        result.status = CConfirmedRead::kConfirmed;
        result.image = images[0];
        return result;
    }
    if (!readInto(images[2]))
        return result;
    for (int earlier = 0; earlier < 2; ++earlier) {
        if (CompareImages(images[earlier], images[2]).Equal()) {
            result.status = CConfirmedRead::kConfirmed;
            result.image = images[2];
            return result;
        }
    }
    result.status = CConfirmedRead::kUnsettled;
    AddBlocks(result.changingBlocks, first.blocks);
    AddBlocks(result.changingBlocks, CompareImages(images[0], images[2]).blocks);
    AddBlocks(result.changingBlocks, CompareImages(images[1], images[2]).blocks);
    return result;
}
