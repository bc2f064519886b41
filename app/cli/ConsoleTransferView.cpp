#include "app/cli/ConsoleTransferView.h"

#include "link/Protocol.h"
#include "link/TickClock.h"
#include "text/TextCatalog.h"

#include <ostream>

CConsoleTransferView::CConsoleTransferView(const CTextCatalog& texts, std::ostream& results,
                                           std::ostream& progress, Progress mode,
                                           bool tellCompletion)
    : m_texts(texts), m_results(results), m_out(progress), m_progress(mode),
      m_tellCompletion(tellCompletion)
{
}

CConsoleTransferView::~CConsoleTransferView()
{
    EndLine();
}

void CConsoleTransferView::SetCaption(const std::string& caption)
{
    if (m_progress != Progress::None)
        m_out << caption << "\n" << std::flush;
}

void CConsoleTransferView::SetCounterText(const std::string& text)
{
    m_counter = text;
}

void CConsoleTransferView::SetBarPosition(int position)
{
    // The count starts with the first block: "Block 0" only says that a
    // transfer is about to start, which the caption said, and would stay
    // behind when it fails before its first block.
    if (position == 0 || m_counter == m_lastCounter)
        return;
    if (m_progress == Progress::Rewritten) {
        m_out << "\r" << m_counter << std::flush;
        m_open = true;
    } else if (m_progress == Progress::Lines) {
        m_out << m_counter << "\n" << std::flush;
    }
    m_lastCounter = m_counter;
}

void CConsoleTransferView::OnFailure(TransferMode mode, const CSessionResult& result)
{
    EndLine();
    // A stop the user asked for is not the link's failure: the job says
    // what it left.
    if (result.interrupted)
        return;
    m_lastTold = TransferMessageId(mode, result);
    m_out << m_texts.GetText(m_lastTold) << "\n" << std::flush;
}

void CConsoleTransferView::OnWritePreparation()
{
    if (m_progress == Progress::None)
        return;
    EndLine();
    m_out << "Preparing the microphone for the write; this can take up to "
          << Wire::kPrepareTimeoutMs / kMsPerSecond << " s.\n"
          << std::flush;
}

void CConsoleTransferView::OnCompleted(TransferMode mode)
{
    EndLine();
    m_lastTold = TransferMessageId(mode, CSessionResult{SessionStage::kDone});
    if (m_tellCompletion)
        m_results << m_texts.GetText(m_lastTold) << "\n" << std::flush;
}

void CConsoleTransferView::EndLine()
{
    if (m_open)
        m_out << "\n" << std::flush;
    m_open = false;
}
