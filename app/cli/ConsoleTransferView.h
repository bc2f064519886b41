#pragma once
#include "link/Transfer.h"
#include "text/MessagePresenter.h"

#include <iosfwd>
#include <string>

class CMessageBoxes;

// How the progress of a transfer shows on stderr.
enum class Progress
{
    Rewritten, // a terminal: the counter is one line rewritten in place
    Lines,     // a pipe or a file: a line for each new counter text
    None,      // --quiet
};

// The progress window on stderr.
class CConsoleTransferView : public ITransferView
{
public:
    CConsoleTransferView(std::ostream& out, Progress progress);
    ~CConsoleTransferView() override;
    CConsoleTransferView(const CConsoleTransferView&) = delete;
    CConsoleTransferView& operator=(const CConsoleTransferView&) = delete;

    void SetCaption(const std::string& caption) override;
    void SetCounterText(const std::string& text) override;
    void SetBarRange(int) override {}
    void SetBarPosition(int) override {}
    MessageOwner Owner() override { return nullptr; }

    // Ends a counter line rewritten in place, so that the next text starts
    // on a line of its own.
    void EndLine();

private:
    std::ostream& m_out;
    const Progress m_progress;
    bool m_open = false;
    std::string m_lastCounter;
};

// Ends the progress line before a message box is shown on the console.
class CLineEndingPresenter : public IMessagePresenter
{
public:
    CLineEndingPresenter(IMessagePresenter* inner, CConsoleTransferView& view);
    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override;

private:
    IMessagePresenter* m_inner;
    CConsoleTransferView& m_view;
};

// Shows the boxes of `boxes` through `presenter` while it lives, and puts
// the presenter back that was there before.
class CPresenterScope
{
public:
    CPresenterScope(CMessageBoxes& boxes, IMessagePresenter& presenter);
    ~CPresenterScope();
    CPresenterScope(const CPresenterScope&) = delete;
    CPresenterScope& operator=(const CPresenterScope&) = delete;

private:
    CMessageBoxes& m_boxes;
    IMessagePresenter* m_previous;
};
