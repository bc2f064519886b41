#pragma once
#include "link/Protocol.h"
#include "link/Session.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CMicLink;
class ITickClock;

// A whole configuration image as it travels: 9 blocks of 256 bytes.
using MicImage = std::array<uint8_t, Wire::kImageSize>;

// Where two images differ.
struct CImageDiff
{
    std::vector<int> blocks; // block indices 0 to 8, ascending
    int firstOffset = -1;    // first differing byte of the image; -1 when equal

    bool Equal() const { return blocks.empty(); }
};

CImageDiff CompareImages(const MicImage& a, const MicImage& b);

// Told n from 1 to 9 just before block n - 1 moves.
using BlockProgress = std::function<void(int n)>;

// The read-back after a write.
struct CVerifyResult
{
    enum Status
    {
        kVerified, // the microphone holds the image written
        kDiffers,  // it was read back and holds another image
        kNotRead   // it could not be read back within the wait
    };
    Status status = kNotRead;
    CImageDiff diff;         // for kDiffers
    CSessionResult lastRead; // how the last session ended
    int sessions = 0;        // read sessions tried
};

// Reads the microphone back in read sessions and compares what it
// holds with `written`. A read-back that differs is read once more, and
// only a second difference counts (with the blocks of the second), since
// noise on the line can damage a read-back as it can a write. The microphone may need a moment
// after the end of programming mode, so a session that fails is tried again, a pause after the
// last, until `waitMs` have passed since the first began (on the link's tick clock); with 0 there
// is one session. The pauses keep the windows painted.
CVerifyResult VerifyWritten(CMicLink& link, const MicImage& written, uint32_t waitMs,
                            const BlockProgress& progress = {});

// The pause between two read-back sessions.
constexpr uint32_t kVerifyRetryPauseMs = 500;

// The time within which a microphone that does not answer yet is tried
// again, on a tick clock; it starts when the window is made.
class CRetryWindow
{
public:
    CRetryWindow(ITickClock& clock, uint32_t waitMs);
    // False once the wait has run out; otherwise pauses kVerifyRetryPauseMs
    // (or what is left of the wait), keeping the windows painted, and
    // returns true: the attempt may be made again.
    bool PauseForRetry();

private:
    ITickClock& m_clock;
    uint32_t m_startMs;
    uint32_t m_waitMs;
};

// Reads the image into `image`; false when the read failed.
using ImageReader = std::function<bool(MicImage& image)>;

// A read confirmed by reading more than once.
struct CConfirmedRead
{
    enum Status
    {
        kConfirmed, // two reads agree; `image` holds what they read
        kUnsettled, // three reads, no two agree
        kFailed     // a read failed
    };
    Status status = kFailed;
    MicImage image{};
    int reads = 0;                   // reads made
    std::vector<int> changingBlocks; // for kUnsettled: blocks not equal in all reads
};

// Reads twice and is confirmed when both images agree; when they differ,
// reads a third time and keeps the image that it shares with one of the
// first two. Stops at the first read that fails.
CConfirmedRead ReadConfirmed(const ImageReader& read);
