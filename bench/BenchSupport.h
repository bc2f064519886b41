#pragma once
#include "link/Transfer.h"
#include "text/MessagePresenter.h"
#include "text/MessageStyle.h"

#include <cstdio>
#include <string>

// A progress window that shows nothing.
class CSilentView : public ITransferView
{
public:
    void SetCaption(const std::string&) override {}
    void SetCounterText(const std::string&) override {}
    void SetBarRange(int) override {}
    void SetBarPosition(int) override {}
    MessageOwner Owner() override { return nullptr; }
};

// Answers every box with OK; error boxes are printed on stderr unless the
// benchmark counts failures itself.
class CQuietPresenter : public IMessagePresenter
{
public:
    explicit CQuietPresenter(bool printErrors = true) : m_printErrors(printErrors) {}
    int Present(MessageOwner, const std::string& text, const std::string&, unsigned style) override
    {
        if (m_printErrors && (style & MessageStyle::kIconStop))
            std::fprintf(stderr, "transfer failed: %s\n", text.c_str());
        return MessageAnswer::kOk;
    }

private:
    bool m_printErrors;
};
