#include "ui/shared/WindowTexts.h"

#include "text/TextCatalog.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QWidget>

QString CatalogText(const CTextCatalog& texts, int32_t id)
{
    return QString::fromLatin1(texts.GetText(id));
}

void SetDialogCaption(QWidget& dialog, const CTextCatalog& texts, int32_t dialogId)
{
    dialog.setWindowTitle(CatalogText(texts, dialogId));
}

void SetStandardButtonTexts(const CTextCatalog& texts, QAbstractButton* ok, QAbstractButton* cancel,
                            QAbstractButton* close)
{
    const struct
    {
        QAbstractButton* button;
        int32_t textId;
    } buttons[] = {
        {ok, TextId::kButtonOk},
        {cancel, TextId::kButtonCancel},
        {close, TextId::kButtonClose},
    };
    for (const auto& entry : buttons)
        if (entry.button)
            entry.button->setText(CatalogText(texts, entry.textId));
}

void SetStandardButtonTexts(const CTextCatalog& texts, QDialogButtonBox& buttons)
{
    SetStandardButtonTexts(texts, buttons.button(QDialogButtonBox::Ok),
                           buttons.button(QDialogButtonBox::Cancel),
                           buttons.button(QDialogButtonBox::Close));
}
