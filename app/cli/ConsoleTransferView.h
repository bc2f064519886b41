#pragma once
#include "link/Transfer.h"

#include <cstdint>
#include <iosfwd>
#include <string>

class CTextCatalog;

// How the progress of a transfer shows on stderr.
enum class Progress
{
    Rewritten, // a terminal: the counter is one line rewritten in place
    Lines,     // a pipe or a file: a line for each new counter text
    None,      // --quiet
};

// The progress window on the console: the caption and the counter on
// `progress`, a failure's message there too, a transfer's completion on
// `results` (unless told not to: JSON carries it instead).
class CConsoleTransferView : public ITransferView
{
public:
    CConsoleTransferView(const CTextCatalog& texts, std::ostream& results, std::ostream& progress,
                         Progress mode, bool tellCompletion);
    ~CConsoleTransferView() override;
    CConsoleTransferView(const CConsoleTransferView&) = delete;
    CConsoleTransferView& operator=(const CConsoleTransferView&) = delete;

    void SetCaption(const std::string& caption) override;
    void SetCounterText(const std::string& text) override;
    void SetBarRange(int) override {}
    void SetBarPosition(int position) override;
    void OnFailure(TransferMode mode, const CSessionResult& result) override;
    void OnCompleted(TransferMode mode) override;
    void OnWritePreparation() override;

    // Ends a counter line rewritten in place, so that the next text starts
    // on a line of its own.
    void EndLine();
    // The text ID of what the progress window would have shown last: a
    // failure's message or a completion; 0 for nothing yet (a stop the user
    // asked for shows nothing).
    int32_t LastToldId() const { return m_lastTold; }

private:
    const CTextCatalog& m_texts;
    std::ostream& m_results;
    std::ostream& m_out;
    const Progress m_progress;
    const bool m_tellCompletion;
    bool m_open = false;
    std::string m_counter;     // the counter's text now
    std::string m_lastCounter; // the last counter printed
    int32_t m_lastTold = 0;
};
