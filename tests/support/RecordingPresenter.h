#pragma once
#include "text/MessagePresenter.h"
#include "text/MessageStyle.h"

#include <deque>
#include <string>
#include <vector>

// A presenter for tests: records every box and answers from a queue of
// answers set in advance (OK, or Yes for Yes/No/Cancel, when the queue is empty).
class CRecordingPresenter : public IMessagePresenter
{
public:
    struct Box
    {
        MessageOwner owner;
        std::string text;
        std::string title;
        unsigned style;
    };

    void SetNextAnswer(int answer) { m_answers.push_back(answer); }

    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override
    {
        boxes.push_back({owner, text, title, style});
        if (!m_answers.empty()) {
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return (style & MessageStyle::kButtonMask) == MessageStyle::kYesNoCancel
                   ? MessageAnswer::kYes
                   : MessageAnswer::kOk;
    }

    std::vector<Box> boxes;

private:
    std::deque<int> m_answers;
};
