#include "link/Transfer.h"

#include "core/ConfigStore.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "text/TextCatalog.h"

// The store's transfer copy moves as whole blocks of the wire's image.
static_assert(CConfigStore::kImageSize == Wire::kImageSize,
              "the store's image is the image on the wire");

CTransfer::CTransfer(CMicLink& link, CConfigStore& store, const CTextCatalog& texts,
                     ITransferView& view)
    : m_link(link), m_store(store), m_texts(texts), m_view(view)
{
}

std::string BlockCounterText(const CTextCatalog& texts, int n, int total)
{
    return std::string(texts.GetText(TextId::kBlock)) + " " + std::to_string(n) + " / " +
           std::to_string(total);
}

int32_t TransferQuestionId(TransferMode mode)
{
    return mode == TransferMode::Read ? TextId::kAskRead : TextId::kAskWrite;
}

int32_t TransferMessageId(TransferMode mode, const CSessionResult& session)
{
    switch (session.stage) {
    case SessionStage::kDone:
        return mode == TransferMode::Read ? TextId::kReadingCompleted : TextId::kWritingCompleted;
    case SessionStage::kPort:
        return TextId::kPortCannotOpen;
    case SessionStage::kModel:
        return TextId::kCheckModelName;
    case SessionStage::kEntry:
    case SessionStage::kIdentification:
    case SessionStage::kWritePreparation:
    case SessionStage::kBlock:
    case SessionStage::kEnd:
        break;
    }
    return TextId::kCheckConnections;
}

bool CTransfer::Run(TransferMode mode)
{
    const bool read = mode == TransferMode::Read;
    m_view.SetCaption(m_texts.GetText(read ? TextId::kNowReading : TextId::kNowWriting));
    if (!Move(mode).Ok())
        return false;
    Complete(mode);
    if (read) {
        m_store.TransferToImage();
        m_store.ImageToSaved();
    }
    return true;
}

void CTransfer::Complete(TransferMode mode)
{
    m_view.OnCompleted(mode);
}

void CTransfer::ShowProgress(int n)
{
    m_view.SetCounterText(BlockCounterText(m_texts, n, m_blockTotal));
    if (n == 0)
        m_view.SetBarRange(m_blockTotal);
    m_view.SetBarPosition(n);
}

void CTransfer::Fail(TransferMode mode, const CSessionResult& result)
{
    m_view.OnFailure(mode, result);
}

CSessionResult CTransfer::Move(TransferMode mode)
{
    // The total follows the link's block size, which the progress window
    // sets at its start; before any transfer has set one, the wire's.
    const int32_t size =
        m_link.GetBlockSize() > 0 ? m_link.GetBlockSize() : static_cast<int32_t>(Wire::kBlockSize);
    m_blockTotal = static_cast<int32_t>(CConfigStore::kImageSize) / size;
    ShowProgress(0);
    PumpMessages();

    CSessionHooks hooks;
    // The model's failure is told once the port is closed; every other one
    // before the session ends.
    hooks.failed = [this, mode](const CSessionResult& result) {
        if (result.stage != SessionStage::kModel)
            Fail(mode, result);
    };
    if (mode == TransferMode::Write) {
        hooks.blocksBegin = [this] {
            m_store.ImageToTransfer();
            m_view.OnWritePreparation();
        };
    }
    hooks.block = [this](int n) {
        ShowProgress(n);
        if (m_blocks)
            m_blocks(n);
    };
    hooks.blocksDone = [this] { ShowProgress(m_blockTotal); };
    hooks.entryRetry = m_entryRetry;
    const SessionWork work = mode == TransferMode::Read ? SessionWork::kRead : SessionWork::kWrite;
    m_lastSession =
        CSession(m_link, std::move(hooks))
            .Run(work, {m_store.TransferCopy(), CConfigStore::kImageSize}, m_blockTotal);
    if (m_lastSession.stage == SessionStage::kModel)
        Fail(mode, m_lastSession);
    return m_lastSession;
}
