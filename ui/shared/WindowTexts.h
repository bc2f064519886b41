#pragma once
#include <QString>

#include <cstdint>

class CTextCatalog;
class QAbstractButton;
class QDialogButtonBox;
class QWidget;

// A catalogue text for a window, control or caption.
QString CatalogText(const CTextCatalog& texts, int32_t id);

// A dialog's caption is the text whose ID is the dialog's own; always set.
void SetDialogCaption(QWidget& dialog, const CTextCatalog& texts, int32_t dialogId);

// The OK, Cancel and Close buttons of dialogs take "&OK", "&Cancel" and
// "&Close" from the catalogue; absent buttons are skipped.
void SetStandardButtonTexts(const CTextCatalog& texts, QAbstractButton* ok, QAbstractButton* cancel,
                            QAbstractButton* close = nullptr);
void SetStandardButtonTexts(const CTextCatalog& texts, QDialogButtonBox& buttons);
