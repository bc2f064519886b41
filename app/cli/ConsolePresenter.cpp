#include "app/cli/ConsolePresenter.h"

#include "text/MessageStyle.h"

#include <cctype>
#include <istream>
#include <ostream>
#include <string>

CConsolePresenter::CConsolePresenter(std::istream& in, std::ostream& out, std::ostream& err)
    : m_in(in), m_out(out), m_err(err)
{
}

int CConsolePresenter::Present(MessageOwner, const std::string& text, const std::string& title,
                               unsigned style)
{
    using namespace MessageStyle;
    const unsigned buttons = style & kButtonMask;
    const unsigned icon = style & kIconMask;
    if (buttons == kOk) {
        if (icon == kIconInformation || icon == 0)
            m_out << text << "\n";
        else
            m_err << text << "\n";
        return MessageAnswer::kOk;
    }

    const bool yesNo = buttons == kYesNoCancel;
    const int yes = yesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
    m_err << title << ": " << text << (yesNo ? " [y/n/c] " : " [y/N] ") << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer))
        return MessageAnswer::kCancel;
    const char first = answer.empty()
                           ? '\0'
                           : static_cast<char>(std::tolower(static_cast<unsigned char>(answer[0])));
    if (first == 'y')
        return yes;
    if (yesNo && first == 'n')
        return MessageAnswer::kNo;
    return MessageAnswer::kCancel;
}
