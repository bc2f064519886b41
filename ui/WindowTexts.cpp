#include "ui/WindowTexts.h"

#include "text/TextCatalog.h"

QString CatalogText(const CTextCatalog& texts, int32_t id)
{
    return QString::fromLatin1(texts.GetText(id));
}
