#pragma once
#include "link/Session.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class CConfigStore;
class CMicLink;
class CTextCatalog;

enum class TransferMode
{
    Read,
    Write
};

// Where a transfer shows itself (the progress window, a console line, a
// port's tile) and what it tells as it goes. The transfer asks nothing and
// shows nothing itself: each front end words what it is told.
class ITransferView
{
public:
    virtual ~ITransferView() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetCounterText(const std::string& text) = 0;
    virtual void SetBarRange(int maximum) = 0;
    virtual void SetBarPosition(int position) = 0;
    // A session of `mode` failed; told once, when the progress window shows
    // its message: a failure of the link as soon as it is known, before
    // programming mode is ended and the port closed; a model that is not
    // accepted once the end command went out and the port is closed.
    virtual void OnFailure(TransferMode mode, const CSessionResult& result)
    {
        (void)mode;
        (void)result;
    }
    // A whole transfer completed, with programming mode ended and the port
    // closed; after a read the store takes the image over once this returns.
    virtual void OnCompleted(TransferMode mode) { (void)mode; }
    // A write's preparation began: the microphone takes a while (up to
    // Wire::kPrepareTimeoutMs) before the first block.
    virtual void OnWritePreparation() {}
};

// The read and write transfers between the configuration store and the
// microphone: the steps from opening the port to the end of programming
// mode, the progress and the failures told to the view. The port is closed
// before and after every transfer.
class CTransfer
{
public:
    // All must outlive the transfer.
    CTransfer(CMicLink& link, CConfigStore& store, const CTextCatalog& texts, ITransferView& view);

    // The whole transfer as the progress window runs it: caption, blocks,
    // completion, and after a read the store's update. True when every
    // block was moved.
    bool Run(TransferMode mode);

    // The blocks of one session: a read into the store's transfer copy, or
    // the working image written through it. What the session failed at is
    // told to the view as it happens.
    CSessionResult Move(TransferMode mode);
    // Tells the view that a whole transfer of `mode` completed (a read that
    // was confirmed by reading again, for one).
    void Complete(TransferMode mode);
    // Counter and bar at block n of the total.
    void ShowProgress(int n);

    int BlockTotal() const { return m_blockTotal; }
    const CTextCatalog& Texts() const { return m_texts; }

    // Asked after an entry into programming mode that got no answer, with
    // programming mode ended and the port closed: true (having waited as
    // long as it needs) to open the port and try the entry once more, with
    // nothing told of the attempt that failed; false to tell the failure and
    // end. Without one, a failed entry ends the transfer at once.
    using EntryRetry = std::function<bool()>;
    void SetEntryRetry(EntryRetry retry) { m_entryRetry = std::move(retry); }
    // Told n from 1 to the block total just before block n - 1 moves, after
    // the view; empty: nobody.
    void SetBlockObserver(std::function<void(int n)> observer) { m_blocks = std::move(observer); }

    // How the last Move ended.
    const CSessionResult& LastSession() const { return m_lastSession; }

private:
    void Fail(TransferMode mode, const CSessionResult& result);

    CMicLink& m_link;
    CConfigStore& m_store;
    const CTextCatalog& m_texts;
    ITransferView& m_view;
    int32_t m_blockTotal = 0;
    EntryRetry m_entryRetry;
    std::function<void(int n)> m_blocks;
    CSessionResult m_lastSession;
};

// The text IDs of the question before a transfer in `mode`: "Is it OK to
// read data?" or "Is it OK to write data?".
int32_t TransferQuestionId(TransferMode mode);

// The text ID of what the progress window says when a transfer in `mode`
// ends as `session` did: the completion message for a session that is done,
// else the error that the failed stage shows.
int32_t TransferMessageId(TransferMode mode, const CSessionResult& session);

// "Block 3 / 9" with the catalogue's word for a block.
std::string BlockCounterText(const CTextCatalog& texts, int n, int total);
