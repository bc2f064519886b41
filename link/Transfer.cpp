#include "link/Transfer.h"

#include "core/ConfigStore.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <array>
#include <functional>

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

bool CTransfer::Run(TransferMode mode)
{
    m_link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    if (mode == TransferMode::Write) {
        m_view.SetCaption(m_texts.GetText(TextId::kNowWriting));
        if (!WriteDevice())
            return false;
        m_boxes.ShowMessageById(m_view.Owner(), TextId::kWritingCompleted, TextId::kWriteData,
                                MessageStyle::kIconInformation);
        return true;
    }
    m_view.SetCaption(m_texts.GetText(TextId::kNowReading));
    if (!ReadDevice())
        return false;
    m_boxes.ShowMessageById(m_view.Owner(), TextId::kReadingCompleted, TextId::kReadData,
                            MessageStyle::kIconInformation);
    m_store.TransferToImage();
    m_store.ImageToSaved();
    return true;
}

void CTransfer::ShowProgress(int n)
{
    m_view.SetCounterText(BlockCounterText(m_texts, n, m_blockTotal));
    if (n == 0)
        m_view.SetBarRange(m_blockTotal);
    m_view.SetBarPosition(n);
}

void CTransfer::ShowConnectionError()
{
    m_boxes.ShowErrorById(m_view.Owner(), TextId::kCheckConnections, TextId::kTitleError);
}

bool CTransfer::Connect()
{
    const int32_t blockSize = m_link.GetBlockSize();
    m_blockTotal = blockSize > 0 ? static_cast<int32_t>(CConfigStore::kImageSize) / blockSize : 0;
    ShowProgress(0);
    PumpMessages();
    if (!OpenPort())
        return false;
    if (m_entryRetry ? !EnterWithRetry() : ConnectDevice(m_view.Owner()) != 0)
        return false;
    std::array<uint8_t, Wire::kIdBufferSize> id{};
    return CheckDevice(m_view.Owner(), id) == 0;
}

bool CTransfer::OpenPort()
{
    m_link.SetOpen(0);
    if (!m_link.SetOpen(1)) {
        m_boxes.ShowErrorById(m_view.Owner(), TextId::kPortCannotOpen, TextId::kTitleError);
        return false;
    }
    WaitMs(m_link.Ticks(), Wire::kSettleAfterOpenMs);
    return true;
}

bool CTransfer::EnterWithRetry()
{
    while (true) {
        PumpMessages();
        if (m_link.EnterProgramMode() == 0)
            return true;
        m_link.EndProgramMode();
        m_link.SetOpen(0);
        if (!m_entryRetry()) {
            ShowConnectionError();
            return false;
        }
        if (!OpenPort())
            return false;
    }
}

bool CTransfer::ReadDevice()
{
    if (!Connect())
        return false;
    uint8_t* transfer = m_store.TransferCopy();
    return MoveBlocks(
        [&](int i) {
            return m_link.ReadBlock({transfer + Wire::kBlockSize * i, Wire::kBlockSize}, i);
        },
        &CMicLink::EndProgramMode);
}

bool CTransfer::WriteDevice()
{
    if (!Connect())
        return false;
    m_store.ImageToTransfer();
    m_link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    if (m_link.PrepareWrite() != 0) {
        Fail(&CMicLink::AbortWrite);
        return false;
    }
    const uint8_t* transfer = m_store.TransferCopy();
    return MoveBlocks(
        [&](int i) {
            return m_link.WriteBlock({transfer + Wire::kBlockSize * i, Wire::kBlockSize}, i);
        },
        &CMicLink::AbortWrite);
}

bool CTransfer::MoveBlocks(const std::function<int(int)>& moveBlock, int (CMicLink::*ending)())
{
    m_link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    for (int i = 0; i < m_blockTotal; ++i) {
        ShowProgress(i + 1);
        if (moveBlock(i) != 0) {
            Fail(ending);
            return false;
        }
        PumpMessages();
    }
    ShowProgress(m_blockTotal);
    m_link.EndProgramMode();
    return m_link.SetOpen(0) != 0;
}

void CTransfer::Fail(int (CMicLink::*ending)())
{
    ShowConnectionError();
    (m_link.*ending)();
    m_link.SetOpen(0);
}

int CTransfer::ConnectDevice(MessageOwner owner)
{
    PumpMessages();
    if (m_link.EnterProgramMode() == 0)
        return 0;
    m_boxes.ShowErrorById(owner, TextId::kCheckConnections, TextId::kTitleError);
    m_link.EndProgramMode();
    m_link.SetOpen(0);
    return 1;
}

int CTransfer::CheckDevice(MessageOwner owner, CMutableBytes buffer)
{
    PumpMessages();
    if (m_link.Identify(buffer) != 0) {
        m_boxes.ShowErrorById(owner, TextId::kCheckConnections, TextId::kTitleError);
        m_link.EndProgramMode();
        m_link.SetOpen(0);
        return 1;
    }
    if (m_link.IsKnownModel(buffer))
        return 0;
    m_link.EndProgramMode();
    m_link.SetOpen(0);
    m_boxes.ShowErrorById(owner, TextId::kCheckModelName, TextId::kTitleError);
    return 1;
}
