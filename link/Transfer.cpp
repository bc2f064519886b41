#include "link/Transfer.h"

#include "core/ConfigStore.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

// The store's transfer copy moves as whole blocks of the wire's image.
static_assert(CConfigStore::kImageSize == Wire::kImageSize,
              "the store's image is the image on the wire");

CTransfer::CTransfer(CMicLink& link, CConfigStore& store, const CTextCatalog& texts,
                     const CMessageBoxes& boxes, ITransferView& view)
    : m_link(link), m_store(store), m_texts(texts), m_boxes(boxes), m_view(view)
{
}

std::string BlockCounterText(const CTextCatalog& texts, int n, int total)
{
    return std::string(texts.GetText(TextId::kBlock)) + " " + std::to_string(n) + " / " +
           std::to_string(total);
}

bool AskTransfer(const CMessageBoxes& boxes, MessageOwner owner, TransferMode mode)
{
    const int32_t question = mode == TransferMode::Read ? TextId::kAskRead : TextId::kAskWrite;
    return boxes.ShowMessageById(owner, question, TextId::kTitleConfirmation,
                                 MessageStyle::kOkCancel | MessageStyle::kIconQuestion) ==
           MessageAnswer::kOk;
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
    m_link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    if (mode == TransferMode::Write) {
        m_view.SetCaption(m_texts.GetText(TextId::kNowWriting));
        if (!WriteDevice())
            return false;
        ShowCompletion(mode);
        return true;
    }
    m_view.SetCaption(m_texts.GetText(TextId::kNowReading));
    if (!ReadDevice())
        return false;
    ShowCompletion(mode);
    m_store.TransferToImage();
    m_store.ImageToSaved();
    return true;
}

void CTransfer::ShowCompletion(TransferMode mode)
{
    const bool read = mode == TransferMode::Read;
    m_lastMessageId = read ? TextId::kReadingCompleted : TextId::kWritingCompleted;
    m_boxes.ShowMessageById(m_view.Owner(), m_lastMessageId,
                            read ? TextId::kReadData : TextId::kWriteData,
                            MessageStyle::kIconInformation);
}

void CTransfer::ShowProgress(int n)
{
    m_view.SetCounterText(BlockCounterText(m_texts, n, m_blockTotal));
    if (n == 0)
        m_view.SetBarRange(m_blockTotal);
    m_view.SetBarPosition(n);
}

void CTransfer::ShowError(MessageOwner owner, int32_t textId)
{
    m_lastMessageId = textId;
    m_boxes.ShowErrorById(owner, textId, TextId::kTitleError);
}

CSessionHooks CTransfer::BoxHooks(MessageOwner owner)
{
    CSessionHooks hooks;
    // The model's message comes once the port is closed; every other
    // failure is shown before the session ends.
    hooks.failed = [this, owner](const CSessionResult& result) {
        if (result.stage != SessionStage::kModel)
            ShowError(owner, TransferMessageId(TransferMode::Read, result));
    };
    return hooks;
}

bool CTransfer::Transfer(SessionWork work)
{
    m_lastMessageId = 0;
    const int32_t blockSize = m_link.GetBlockSize();
    m_blockTotal = blockSize > 0 ? static_cast<int32_t>(CConfigStore::kImageSize) / blockSize : 0;
    ShowProgress(0);
    PumpMessages();

    CSessionHooks hooks = BoxHooks(m_view.Owner());
    if (work == SessionWork::kWrite)
        hooks.blocksBegin = [this] { m_store.ImageToTransfer(); };
    hooks.block = [this](int n) { ShowProgress(n); };
    hooks.blocksDone = [this] { ShowProgress(m_blockTotal); };
    hooks.entryRetry = m_entryRetry;
    m_lastSession =
        CSession(m_link, std::move(hooks))
            .Run(work, {m_store.TransferCopy(), CConfigStore::kImageSize}, m_blockTotal);
    if (m_lastSession.stage == SessionStage::kModel)
        ShowError(m_view.Owner(), TextId::kCheckModelName);
    return m_lastSession.Ok();
}

bool CTransfer::ReadDevice()
{
    return Transfer(SessionWork::kRead);
}

bool CTransfer::WriteDevice()
{
    return Transfer(SessionWork::kWrite);
}

int CTransfer::ConnectDevice(MessageOwner owner)
{
    CSessionResult result;
    return CSession(m_link, BoxHooks(owner)).Connect(SessionWork::kRead, result) ? 0 : 1;
}

int CTransfer::CheckDevice(MessageOwner owner, CMutableBytes buffer)
{
    CSessionResult result;
    if (CSession(m_link, BoxHooks(owner)).Check(buffer, result))
        return 0;
    if (result.stage == SessionStage::kModel)
        ShowError(owner, TextId::kCheckModelName);
    return 1;
}
