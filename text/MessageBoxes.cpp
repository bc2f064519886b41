#include "text/MessageBoxes.h"

#include "text/TextCatalog.h"

#include <iostream>

CMessageBoxes::CMessageBoxes(const CTextCatalog& texts, IMessagePresenter* presenter)
    : m_texts(texts), m_presenter(presenter)
{
}

int CMessageBoxes::ShowMessage(MessageOwner owner, const std::string& text,
                               const std::string& title, unsigned style) const
{
    if (!m_presenter) {
        // No presenter yet: nothing can be asked, so the answer is the first
        // button's and the text is not lost.
        std::cerr << title << ": " << text << '\n';
        return (style & MessageStyle::kButtonMask) == MessageStyle::kYesNoCancel
                   ? MessageAnswer::kYes
                   : MessageAnswer::kOk;
    }
    return m_presenter->Present(owner, text, title, style);
}

int CMessageBoxes::ShowMessageById(MessageOwner owner, int32_t textId, int32_t titleId,
                                   unsigned style) const
{
    const std::string title = titleId == 0 ? std::string(kProductName) : m_texts.GetText(titleId);
    return ShowMessage(owner, m_texts.GetText(textId), title, style);
}

int CMessageBoxes::ShowWarning(MessageOwner owner, const std::string& text, int32_t titleId,
                               unsigned style) const
{
    return ShowMessage(owner, text, TitleOr(titleId, TextId::kTitleWarning),
                       style | MessageStyle::kIconExclamation);
}

int CMessageBoxes::ShowError(MessageOwner owner, const std::string& text, int32_t titleId,
                             unsigned style) const
{
    return ShowMessage(owner, text, TitleOr(titleId, TextId::kTitleError),
                       style | MessageStyle::kIconStop);
}

int CMessageBoxes::ShowErrorById(MessageOwner owner, int32_t textId, int32_t titleId) const
{
    return ShowError(owner, m_texts.GetText(textId), titleId, MessageStyle::kOk);
}

std::string CMessageBoxes::TitleOr(int32_t titleId, int32_t fallbackId) const
{
    return m_texts.GetText(titleId == 0 ? fallbackId : titleId);
}

std::string FormatText(const std::string& format, const std::string& first,
                       const std::string& second)
{
    const std::string* args[] = {&first, &second};
    std::size_t next = 0;
    std::string out;
    out.reserve(format.size() + first.size() + second.size());
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next < 2) {
            out += *args[next++];
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}
