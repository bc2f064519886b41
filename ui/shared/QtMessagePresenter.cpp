#include "ui/shared/QtMessagePresenter.h"

#include "text/MessageStyle.h"

namespace {

struct CButtonSet
{
    unsigned style;
    QMessageBox::StandardButton first;
    QMessageBox::StandardButton second;
    QMessageBox::StandardButton third;
    QMessageBox::StandardButton escape;
};

constexpr CButtonSet kButtonSets[] = {
    {MessageStyle::kOk, QMessageBox::Ok, QMessageBox::NoButton, QMessageBox::NoButton,
     QMessageBox::Ok},
    {MessageStyle::kOkCancel, QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::NoButton,
     QMessageBox::Cancel},
    {MessageStyle::kYesNoCancel, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel,
     QMessageBox::Cancel},
};

const CButtonSet& ButtonSetFor(unsigned style)
{
    const unsigned buttons = style & MessageStyle::kButtonMask;
    for (const CButtonSet& set : kButtonSets)
        if (set.style == buttons)
            return set;
    return kButtonSets[0];
}

struct CIconEntry
{
    unsigned style;
    QMessageBox::Icon icon;
};

constexpr CIconEntry kIcons[] = {
    {MessageStyle::kIconStop, QMessageBox::Critical},
    {MessageStyle::kIconQuestion, QMessageBox::Question},
    {MessageStyle::kIconExclamation, QMessageBox::Warning},
    {MessageStyle::kIconInformation, QMessageBox::Information},
};

struct CAnswerEntry
{
    QMessageBox::StandardButton button;
    int answer;
};

constexpr CAnswerEntry kAnswers[] = {
    {QMessageBox::Ok, MessageAnswer::kOk},
    {QMessageBox::Cancel, MessageAnswer::kCancel},
    {QMessageBox::Yes, MessageAnswer::kYes},
    {QMessageBox::No, MessageAnswer::kNo},
};

} // namespace

QMessageBox::Icon IconForStyle(unsigned style)
{
    const unsigned icon = style & MessageStyle::kIconMask;
    for (const CIconEntry& entry : kIcons)
        if (entry.style == icon)
            return entry.icon;
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsForStyle(unsigned style)
{
    const CButtonSet& set = ButtonSetFor(style);
    return QMessageBox::StandardButtons(set.first) | set.second | set.third;
}

QMessageBox::StandardButton DefaultButtonForStyle(unsigned style)
{
    const CButtonSet& set = ButtonSetFor(style);
    if ((style & MessageStyle::kDefaultButton2) && set.second != QMessageBox::NoButton)
        return set.second;
    return set.first;
}

QMessageBox::StandardButton EscapeButtonForStyle(unsigned style)
{
    return ButtonSetFor(style).escape;
}

int AnswerForButton(QMessageBox::StandardButton button)
{
    for (const CAnswerEntry& entry : kAnswers)
        if (entry.button == button)
            return entry.answer;
    return MessageAnswer::kCancel;
}

std::unique_ptr<QMessageBox> CQtMessagePresenter::BuildBox(MessageOwner owner,
                                                           const std::string& text,
                                                           const std::string& title,
                                                           unsigned style) const
{
    QWidget* parent = owner ? static_cast<QWidget*>(owner) : m_mainWindow.data();
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QString::fromLatin1(title.c_str()));
    box->setTextFormat(Qt::PlainText);
    box->setText(QString::fromLatin1(text.c_str()));
    box->setIcon(IconForStyle(style));
    box->setStandardButtons(ButtonsForStyle(style));
    box->setDefaultButton(DefaultButtonForStyle(style));
    box->setEscapeButton(EscapeButtonForStyle(style));
    return box;
}

int CQtMessagePresenter::Present(MessageOwner owner, const std::string& text,
                                 const std::string& title, unsigned style)
{
    const std::unique_ptr<QMessageBox> box = BuildBox(owner, text, title, style);
    const int clicked = box->exec();
    return AnswerForButton(static_cast<QMessageBox::StandardButton>(clicked));
}
