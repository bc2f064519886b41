#include "app/cli/ConsoleTransferView.h"

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
    if (m_progress == Progress::Rewritten) {
        m_out << "\r" << text << std::flush;
        m_open = true;
    } else if (m_progress == Progress::Lines && text != m_lastCounter) {
        m_out << text << "\n" << std::flush;
    }
    m_lastCounter = text;
}

void CConsoleTransferView::OnFailure(TransferMode mode, const CSessionResult& result)
{
    EndLine();
    m_out << m_texts.GetText(TransferMessageId(mode, result)) << "\n" << std::flush;
}

void CConsoleTransferView::OnCompleted(TransferMode mode)
{
    EndLine();
    if (m_tellCompletion)
        m_results << m_texts.GetText(TransferMessageId(mode, CSessionResult{SessionStage::kDone}))
                  << "\n"
                  << std::flush;
}

void CConsoleTransferView::EndLine()
{
    if (m_open)
        m_out << "\n" << std::flush;
    m_open = false;
}
