#pragma once
#include "link/Transfer.h"
#include "text/TextCatalog.h"

#include <cstdio>
#include <string>

// A progress window that shows nothing; a failure is printed on stderr
// when it is given the catalogue (benchmarks that count failures
// themselves give none).
class CSilentView : public ITransferView
{
public:
    explicit CSilentView(const CTextCatalog* texts = nullptr) : m_texts(texts) {}
    void SetCaption(const std::string&) override {}
    void SetCounterText(const std::string&) override {}
    void SetBarRange(int) override {}
    void SetBarPosition(int) override {}
    void OnFailure(TransferMode mode, const CSessionResult& result) override
    {
        if (m_texts)
            std::fprintf(stderr, "transfer failed: %s\n",
                         m_texts->GetText(TransferMessageId(mode, result)));
    }

private:
    const CTextCatalog* m_texts;
};
