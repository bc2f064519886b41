#pragma once
#include "text/MessagePresenter.h"
#include "text/MessageStyle.h"

#include <cstdint>
#include <string>

class CTextCatalog;

// The message boxes by kind. Titles and texts come from the catalogue; the
// presenter shows the box. Each operation returns the answer code of the
// button pressed (MessageAnswer). An absent owner means the main window.
class CMessageBoxes
{
public:
    CMessageBoxes(const CTextCatalog& texts, IMessagePresenter* presenter = nullptr);

    void SetPresenter(IMessagePresenter* presenter) { m_presenter = presenter; }
    IMessagePresenter* Presenter() const { return m_presenter; }

    // The caller's text and title, style unchanged.
    int ShowMessage(MessageOwner owner, const std::string& text, const std::string& title,
                    unsigned style) const;
    // Text and title by ID; title ID 0 gives the product name.
    int ShowMessageById(MessageOwner owner, int32_t textId, int32_t titleId, unsigned style) const;
    // Exclamation icon added; title ID 0 gives "Warning".
    int ShowWarning(MessageOwner owner, const std::string& text, int32_t titleId = 0,
                    unsigned style = MessageStyle::kOk) const;
    // Stop icon added; title ID 0 gives "Error".
    int ShowError(MessageOwner owner, const std::string& text, int32_t titleId = 0,
                  unsigned style = MessageStyle::kOk) const;
    // Text by ID, stop icon, OK button.
    int ShowErrorById(MessageOwner owner, int32_t textId, int32_t titleId = 0) const;

private:
    std::string TitleOr(int32_t titleId, int32_t fallbackId) const;

    const CTextCatalog& m_texts;
    IMessagePresenter* m_presenter;
};

// Fills the "%s" placeholders of a catalogue text in order. The arguments are
// inserted as plain text, never read as a format; a placeholder without an
// argument is left as it stands, and any other '%' is kept.
std::string FormatText(const std::string& format, const std::string& first,
                       const std::string& second = std::string());
