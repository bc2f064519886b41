#pragma once
#include "text/MessagePresenter.h"

#include <iosfwd>

// Message boxes on a terminal: information goes to `out`, warnings and
// errors to `err`; a question is put on `err` and reads its answer from
// `in`.
class CConsolePresenter : public IMessagePresenter
{
public:
    CConsolePresenter(std::istream& in, std::ostream& out, std::ostream& err);

    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override;

private:
    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
};
