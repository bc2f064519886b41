#include "link/Session.h"

#include "link/TickClock.h"

#include <array>

const char* SessionStageText(SessionStage stage, SessionWork work)
{
    switch (stage) {
    case SessionStage::kPort:
        return "the port cannot be opened";
    case SessionStage::kEntry:
        return "no answer to the entry into programming mode";
    case SessionStage::kIdentification:
        return "no identification";
    case SessionStage::kModel:
        return "an unknown model";
    case SessionStage::kWritePreparation:
        return "no answer to the write preparation";
    case SessionStage::kBlock:
        return work == SessionWork::kWrite ? "a block could not be written"
                                           : "a block could not be read";
    case SessionStage::kEnd:
        return "the port could not be closed";
    case SessionStage::kDone:
        return "done";
    }
    return "";
}

CSession::CSession(CMicLink& link, CSessionHooks hooks) : m_link(link), m_hooks(std::move(hooks))
{
}

bool CSession::OpenPort(CMicLink& link)
{
    link.SetOpen(0);
    if (!link.SetOpen(1))
        return false;
    WaitMs(link.Ticks(), Wire::kSettleAfterOpenMs);
    return true;
}

int CSession::Enter(CMicLink& link)
{
    PumpMessages();
    return link.EnterProgramMode();
}

int CSession::Identify(CMicLink& link, CMutableBytes buffer)
{
    PumpMessages();
    return link.Identify(buffer);
}

void CSession::Report(const CSessionResult& result) const
{
    if (m_hooks.failed)
        m_hooks.failed(result);
}

void CSession::EndAfterFailure(SessionStage stage, SessionWork work)
{
    if (work == SessionWork::kWrite && stage >= SessionStage::kWritePreparation)
        m_link.AbortWrite();
    else
        m_link.EndProgramMode();
}

CSessionResult CSession::Fail(CSessionResult result, SessionWork work)
{
    Report(result);
    EndAfterFailure(result.stage, work);
    m_link.SetOpen(0);
    return result;
}

bool CSession::EnterWithRetry(SessionWork work, CSessionResult& result)
{
    while (true) {
        result.code = Enter(m_link);
        if (result.code == 0)
            return true;
        result.stage = SessionStage::kEntry;
        if (!m_hooks.entryRetry) {
            if (work == SessionWork::kProbe) {
                // Nothing answered: there is no session to end.
                m_link.SetOpen(0);
            } else {
                result = Fail(result, work);
            }
            return false;
        }
        m_link.EndProgramMode();
        m_link.SetOpen(0);
        if (!m_hooks.entryRetry()) {
            Report(result);
            return false;
        }
        if (!OpenPort(m_link)) {
            result.stage = SessionStage::kPort;
            result.code = 1;
            Report(result);
            return false;
        }
    }
}

CSessionResult CSession::Run(SessionWork work, CMutableBytes image, int blockCount)
{
    CSessionResult result;
    if (!OpenPort(m_link)) {
        result.code = 1;
        Report(result);
        return result;
    }
    if (!EnterWithRetry(work, result))
        return result;

    std::array<uint8_t, Wire::kIdBufferSize> id{};
    result.code = Identify(m_link, id);
    if (result.code != 0) {
        result.stage = SessionStage::kIdentification;
        return Fail(result, work);
    }
    result.record = m_link.GetIdRecord();
    if (!m_link.IsKnownModel(id)) {
        result.stage = SessionStage::kModel;
        result.code = 1;
        return Fail(result, work);
    }

    if (work != SessionWork::kProbe) {
        if (m_hooks.blocksBegin)
            m_hooks.blocksBegin();
        m_link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
        if (work == SessionWork::kWrite) {
            result.code = m_link.PrepareWrite();
            if (result.code != 0) {
                result.stage = SessionStage::kWritePreparation;
                return Fail(result, work);
            }
        }
        for (int i = 0; i < blockCount; ++i) {
            if (m_hooks.block)
                m_hooks.block(i + 1);
            const std::size_t offset = Wire::kBlockSize * static_cast<std::size_t>(i);
            result.code =
                image.size() < offset + Wire::kBlockSize
                    ? 1
                : work == SessionWork::kRead
                    ? m_link.ReadBlock({image.data() + offset, Wire::kBlockSize}, i)
                    : m_link.WriteBlock({image.data() + offset, Wire::kBlockSize}, i);
            if (result.code != 0) {
                result.stage = SessionStage::kBlock;
                result.block = i;
                return Fail(result, work);
            }
            ++result.blocksMoved;
            PumpMessages();
        }
        if (m_hooks.blocksDone)
            m_hooks.blocksDone();
    }
    m_link.EndProgramMode();
    result.code = m_link.SetOpen(0) != 0 ? 0 : 1;
    result.stage = result.code == 0 ? SessionStage::kDone : SessionStage::kEnd;
    return result;
}
