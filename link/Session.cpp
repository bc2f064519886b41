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

CSession::CSession(CMicLink& link, CSessionHooks hooks) : m_link(link), m_hooks(std::move(hooks)) {}

void CSession::Report(const CSessionResult& result) const
{
    if (m_hooks.failed)
        m_hooks.failed(result);
}

bool CSession::Fail(SessionStage stage, int code, SessionWork work, CSessionResult& result)
{
    result.stage = stage;
    result.code = code;
    result.interrupted = m_link.StopRequested();
    if (stage == SessionStage::kBlock)
        result.blockAnswer = m_link.LastBlockAnswer();
    Report(result);
    if (work == SessionWork::kWrite && stage >= SessionStage::kWritePreparation)
        m_link.AbortWrite();
    else
        m_link.EndProgramMode();
    m_link.SetOpen(0);
    return false;
}

bool CSession::Open(CSessionResult& result)
{
    m_link.SetOpen(0);
    if (!m_link.SetOpen(1)) {
        result.stage = SessionStage::kPort;
        result.code = 1;
        Report(result);
        return false;
    }
    WaitMs(m_link.Ticks(), Wire::kSettleAfterOpenMs);
    return true;
}

bool CSession::Connect(SessionWork work, CSessionResult& result)
{
    while (true) {
        PumpMessages();
        const int code = m_link.EnterProgramMode();
        if (code == 0 && !m_link.StopRequested())
            return true;
        if (!m_hooks.entryRetry || m_link.StopRequested()) {
            if (work != SessionWork::kProbe)
                return Fail(SessionStage::kEntry, code == 0 ? 1 : code, work, result);
            // Nothing answered: there is no session to end.
            result.stage = SessionStage::kEntry;
            result.code = code;
            result.interrupted = m_link.StopRequested();
            m_link.SetOpen(0);
            return false;
        }
        m_link.EndProgramMode();
        m_link.SetOpen(0);
        if (!m_hooks.entryRetry()) {
            result.stage = SessionStage::kEntry;
            result.code = code;
            Report(result);
            return false;
        }
        if (!Open(result))
            return false;
    }
}

bool CSession::Check(CMutableBytes buffer, CSessionResult& result)
{
    PumpMessages();
    const int code = m_link.StopRequested() ? 1 : m_link.Identify(buffer);
    if (code != 0)
        return Fail(SessionStage::kIdentification, code, SessionWork::kRead, result);
    result.record = m_link.GetIdRecord();
    if (!m_link.IsKnownModel(buffer))
        return Fail(SessionStage::kModel, 1, SessionWork::kRead, result);
    return true;
}

bool CSession::Move(SessionWork work, CMutableBytes image, int blockCount, CSessionResult& result)
{
    if (work == SessionWork::kProbe)
        return true;
    if (m_hooks.blocksBegin)
        m_hooks.blocksBegin();
    m_link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    if (work == SessionWork::kWrite) {
        const int code = m_link.PrepareWrite();
        if (code != 0)
            return Fail(SessionStage::kWritePreparation, code, work, result);
    }
    for (int i = 0; i < blockCount; ++i) {
        const bool stopped = m_link.StopRequested();
        if (m_hooks.block && !stopped)
            m_hooks.block(i + 1);
        const std::size_t offset = Wire::kBlockSize * static_cast<std::size_t>(i);
        int code = 1;
        if (image.size() >= offset + Wire::kBlockSize && !stopped) {
            code = work == SessionWork::kRead
                       ? m_link.ReadBlock({image.data() + offset, Wire::kBlockSize}, i)
                       : m_link.WriteBlock({image.data() + offset, Wire::kBlockSize}, i);
        }
        if (code != 0) {
            result.block = i;
            return Fail(SessionStage::kBlock, code, work, result);
        }
        ++result.blocksMoved;
        PumpMessages();
    }
    if (m_hooks.blocksDone)
        m_hooks.blocksDone();
    return true;
}

void CSession::Finish(CSessionResult& result)
{
    m_link.EndProgramMode();
    result.code = m_link.SetOpen(0) != 0 ? 0 : 1;
    result.stage = result.code == 0 ? SessionStage::kDone : SessionStage::kEnd;
}

CSessionResult CSession::Run(SessionWork work, CMutableBytes image, int blockCount)
{
    CSessionResult result;
    if (m_link.StopRequested()) {
        // Asked to stop before it began: the port is not touched.
        result.code = 1;
        result.interrupted = true;
        Report(result);
        return result;
    }
    std::array<uint8_t, Wire::kIdBufferSize> id{};
    if (Open(result) && Connect(work, result) && Check(id, result) &&
        Move(work, image, blockCount, result))
        Finish(result);
    return result;
}
