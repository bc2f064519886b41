#include "app/cli/ConsoleTransferView.h"

#include "text/MessageBoxes.h"

#include <ostream>

CConsoleTransferView::CConsoleTransferView(std::ostream& out, Progress progress)
    : m_out(out), m_progress(progress)
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

void CConsoleTransferView::EndLine()
{
    if (m_open)
        m_out << "\n" << std::flush;
    m_open = false;
}

CLineEndingPresenter::CLineEndingPresenter(IMessagePresenter* inner, CConsoleTransferView& view)
    : m_inner(inner), m_view(view)
{
}

int CLineEndingPresenter::Present(MessageOwner owner, const std::string& text,
                                  const std::string& title, unsigned style)
{
    m_view.EndLine();
    return m_inner ? m_inner->Present(owner, text, title, style) : MessageAnswer::kOk;
}

CPresenterScope::CPresenterScope(CMessageBoxes& boxes, IMessagePresenter& presenter)
    : m_boxes(boxes), m_previous(boxes.Presenter())
{
    m_boxes.SetPresenter(&presenter);
}

CPresenterScope::~CPresenterScope()
{
    m_boxes.SetPresenter(m_previous);
}
