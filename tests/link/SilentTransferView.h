#pragma once
#include "link/Transfer.h"

#include <string>

// A progress window that shows nothing, for tests that look elsewhere.
struct CSilentTransferView : ITransferView
{
    void SetCaption(const std::string&) override {}
    void SetCounterText(const std::string&) override {}
    void SetBarRange(int) override {}
    void SetBarPosition(int) override {}
};
