#pragma once
// What every fuzz target takes: a check that ends the run loudly, and the
// built-in English texts, loaded once.
#include "text/TextCatalog.h"

#include <cstdlib>

inline void Check(bool condition)
{
    if (!condition)
        std::abort();
}

inline const CTextCatalog& EnglishTexts()
{
    static CTextCatalog texts;
    static const bool selected = texts.SelectLanguage("English");
    Check(selected);
    return texts;
}
