#pragma once
#include <QString>

#include <cstdint>

class CTextCatalog;

// A catalogue text for a window, control or caption.
QString CatalogText(const CTextCatalog& texts, int32_t id);
