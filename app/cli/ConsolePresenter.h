#pragma once
#include "text/MessagePresenter.h"

#include <iosfwd>

// Message boxes on a terminal: information goes to `out`, warnings and
// errors to `err`; a question is put on `err` and reads its answer from `in`
// unless answers are given in advance.
class CConsolePresenter : public IMessagePresenter
{
public:
    CConsolePresenter(std::istream& in, std::ostream& out, std::ostream& err);

    // Every question is answered with OK or Yes without asking (--yes).
    void SetAssumeYes(bool yes) { m_assumeYes = yes; }
    // Information boxes go to `out` instead of being dropped.
    void SetShowInformation(bool show) { m_showInformation = show; }

    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override;

private:
    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_assumeYes = false;
    bool m_showInformation = true;
};
