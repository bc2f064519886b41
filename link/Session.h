#pragma once
#include "link/ByteSpan.h"
#include "link/MicLink.h"
#include "link/Protocol.h"

#include <cstdint>
#include <functional>

// The stages of a session with the microphone, in the order they are
// walked. A session that fails names the stage it failed at.
enum class SessionStage
{
    kPort,             // closing and opening the port, and the pause after
    kEntry,            // the entry into programming mode
    kIdentification,   // the identification record and the mask
    kModel,            // the model named in the record
    kWritePreparation, // writes only
    kBlock,            // moving a block (CSessionResult::block says which)
    kEnd,              // closing the port after the end of programming mode
    kDone              // every stage passed
};
// What a session does once the microphone is identified.
enum class SessionWork
{
    kProbe, // nothing: it only asks whether a microphone answers
    kRead,  // reads every block into the image
    kWrite  // prepares the write and writes every block from the image
};

// A short lower-case phrase for messages: "no answer to the entry into
// programming mode", "a block could not be read"; "done" for kDone.
const char* SessionStageText(SessionStage stage, SessionWork work = SessionWork::kRead);

// How one session ended, as the link saw it.
struct CSessionResult
{
    SessionStage stage = SessionStage::kPort; // failed at, or kDone
    // The link's result code at that stage: the protocol operation's code
    // (ReadBlock's 1 to 13, 1 for the others), or the close's result for
    // kEnd; 1 for kPort; 0 for kDone.
    int code = 0;
    int block = -1;      // for kBlock: the block that failed, 0 to 8
    int blocksMoved = 0; // blocks read or written in full
    // For kBlock: how the microphone answered the block that failed.
    BlockAnswer blockAnswer = BlockAnswer::kOk;
    // The session failed because a stop was asked for (the link's stop
    // flag), at the stage it had reached.
    bool interrupted = false;
    // The identification record; all zero when none arrived.
    CMicLink::IdRecord record{};

    bool Ok() const { return stage == SessionStage::kDone; }
    // The microphone answered the entry into programming mode.
    bool Entered() const { return stage > SessionStage::kEntry; }
    // A write block may have reached the microphone: its configuration may
    // have changed.
    bool WriteBegan() const { return stage >= SessionStage::kBlock; }
};

// What the caller of a session sees of it as it goes; every hook may be
// empty.
struct CSessionHooks
{
    // Once the model is accepted, before the write preparation or the
    // first block.
    std::function<void()> blocksBegin;
    // n from 1 to the block count, just before block n - 1 moves.
    std::function<void(int n)> block;
    // Once every block has moved, before programming mode is ended.
    std::function<void()> blocksDone;
    // A failure, as soon as it is known and before programming mode is
    // ended and the port closed, except with an entry retry (below), where
    // the unanswered session is ended first.
    std::function<void(const CSessionResult& result)> failed;
    // Asked after an entry into programming mode that got no answer, with
    // programming mode ended and the port closed: true (having waited as
    // long as it needs) to open the port and try the entry once more;
    // false to fail. Without one a failed entry fails at once.
    std::function<bool()> entryRetry;
};

// One session with the microphone on `link`: close and open the port, let
// the line settle, enter programming mode, identify the microphone and
// check its model, do the work, end programming mode and close the port.
// Every failure after the port opened also ends programming mode (a write
// whose preparation or block failed with the abort instead) and closes the
// port; only a probe whose entry went unanswered sends no end, as there is
// no session to end. A port that does not open is left as the failed open
// left it. Window messages are pumped between the steps. A stop asked for
// on the link's stop flag fails the session before its next step (the
// probe of the next rate, the identification, the next block; the write
// preparation's wait is given up), and it ends as a failure there does.
class CSession
{
public:
    CSession(CMicLink& link, CSessionHooks hooks = {});

    // The whole walk. `image` is read into (kRead) or written from (kWrite),
    // block i at offset 256·i; for kProbe it is not used. `blockCount`
    // blocks move, 9 for the whole image. A read that fails may leave the
    // blocks read so far in `image`.
    CSessionResult Run(SessionWork work, CMutableBytes image = {nullptr, 0},
                       int blockCount = static_cast<int>(Wire::kBlockCount));

    // The steps the walk is made of, in its order. Each returns whether it
    // passed; one that fails sets `result`, reports it, and (from Connect
    // on) ends programming mode and closes the port as the walk does.

    // Closes and opens the port, then lets the line settle.
    bool Open(CSessionResult& result);
    // Pumps the window messages and enters programming mode, again while
    // the entry retry allows.
    bool Connect(SessionWork work, CSessionResult& result);
    // Pumps the window messages, identifies the microphone into `buffer`
    // (16 bytes or more) and checks its model.
    bool Check(CMutableBytes buffer, CSessionResult& result);
    // The work's blocks: the write preparation first for a write.
    bool Move(SessionWork work, CMutableBytes image, int blockCount, CSessionResult& result);
    // Ends programming mode and closes the port: kDone, or kEnd when the
    // port does not close.
    void Finish(CSessionResult& result);

private:
    bool Fail(SessionStage stage, int code, SessionWork work, CSessionResult& result);
    void Report(const CSessionResult& result) const;

    CMicLink& m_link;
    CSessionHooks m_hooks;
};

// A session with no hooks.
inline CSessionResult RunSession(CMicLink& link, SessionWork work,
                                 CMutableBytes image = {nullptr, 0})
{
    return CSession(link).Run(work, image);
}
