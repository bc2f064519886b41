#pragma once
#include "link/ByteSpan.h"
#include "link/Session.h"
#include "text/MessagePresenter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class CConfigStore;
class CMessageBoxes;
class CMicLink;
class CTextCatalog;

enum class TransferMode
{
    Read,
    Write
};

// Where a transfer shows itself: the progress window, or a console line.
class ITransferView
{
public:
    virtual ~ITransferView() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetCounterText(const std::string& text) = 0;
    virtual void SetBarRange(int maximum) = 0;
    virtual void SetBarPosition(int position) = 0;
    // The window that owns the transfer's message boxes.
    virtual MessageOwner Owner() = 0;
};

// The read and write transfers between the configuration store and the
// microphone: the steps from opening the port to the final message, with
// each failure shown as an error box before the transfer ends. The port is
// closed before and after every transfer.
class CTransfer
{
public:
    CTransfer(CMicLink& link, CConfigStore& store, const CTextCatalog& texts,
              const CMessageBoxes& boxes, ITransferView& view);

    // The whole transfer as the progress window runs it: caption, steps,
    // completion message, and after a read the store's update. True when
    // every block was moved.
    bool Run(TransferMode mode);

    // Reads every block into the store's transfer copy.
    bool ReadDevice();
    // Sends the working image, through the transfer copy.
    bool WriteDevice();
    // Enters programming mode: 0, or 1 with the message shown and the port closed.
    int ConnectDevice(MessageOwner owner);
    // Identifies the microphone into `buffer` (16 bytes or more) and checks its model:
    // 0, or 1 with the message shown and the port closed.
    int CheckDevice(MessageOwner owner, CMutableBytes buffer);
    // "Reading completed." or "Writing completed.", as a whole transfer ends.
    void ShowCompletion(TransferMode mode);
    // Counter and bar at block n of the total.
    void ShowProgress(int n);

    int BlockTotal() const { return m_blockTotal; }
    const CTextCatalog& Texts() const { return m_texts; }

    // Asked after an entry into programming mode that got no answer, with
    // programming mode ended and the port closed: true (having waited as
    // long as it needs) to open the port and try the entry once more, with
    // no box shown for the attempt that failed; false to show the failure
    // and end. Without one, a failed entry ends the transfer at once.
    using EntryRetry = std::function<bool()>;
    void SetEntryRetry(EntryRetry retry) { m_entryRetry = std::move(retry); }

    // How the last ReadDevice or WriteDevice ended.
    const CSessionResult& LastSession() const { return m_lastSession; }
    // The text ID of the last box shown since the last transfer began; 0
    // when none was.
    int32_t LastMessageId() const { return m_lastMessageId; }

private:
    // One session of `work` on the transfer copy, with its progress and
    // its boxes; true when every block moved.
    bool Transfer(SessionWork work);
    // Hooks that show a failed step's box, owned by `owner`.
    CSessionHooks BoxHooks(MessageOwner owner);
    void ShowError(MessageOwner owner, int32_t textId);

    CMicLink& m_link;
    CConfigStore& m_store;
    const CTextCatalog& m_texts;
    const CMessageBoxes& m_boxes;
    ITransferView& m_view;
    int32_t m_blockTotal = 0;
    EntryRetry m_entryRetry;
    CSessionResult m_lastSession;
    int32_t m_lastMessageId = 0;
};

// Asks "Is it OK to read data?" or "Is it OK to write data?" with OK and
// Cancel; true only for OK.
bool AskTransfer(const CMessageBoxes& boxes, MessageOwner owner, TransferMode mode);

// The text ID of the box that tells how a transfer in `mode` ended: the
// completion message for a session that is done, else the error that the
// failed stage shows.
int32_t TransferMessageId(TransferMode mode, const CSessionResult& session);

// "Block 3 / 9" with the catalogue's word for a block.
std::string BlockCounterText(const CTextCatalog& texts, int n, int total);
