#include "ui/form/QZM530RXView.h"

#include "grid/GridEditor.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

// What a screen reader calls the controls that show no caption of their
// own. The names are taken from the captions on the form, so that they are
// the catalogue texts the user sees (their IDs in the ID display mode).

namespace {

constexpr int kNumberCol = 0;

QString Caption(const QWidget* widget)
{
    QString text;
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        text = label->text();
    else if (const auto* group = qobject_cast<const QGroupBox*>(widget))
        text = group->title();
    else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        text = button->text();
    // A mnemonic marker is not read: "&&" stands for one ampersand.
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.trimmed();
}

} // namespace

void CQZM530RXView::NameControls()
{
    for (const CControl& control : m_controls) {
        const int captionId = FormNamingCaption(control.def->id);
        QWidget* captionControl = captionId != 0 ? Control(captionId) : nullptr;
        if (captionControl == nullptr)
            continue;
        QString name = Caption(captionControl);
        if (const int row = PresetRowOfList(control.def->id); row != 0)
            name += QLatin1Char(' ') + m_table->GetTextMatrix(row, kNumberCol).trimmed();
        control.widget->setAccessibleName(name);
        // A label also tells a screen reader what it labels; one whose text
        // holds an ampersand is left alone, which a buddy would underline.
        auto* label = qobject_cast<QLabel*>(captionControl);
        if (label != nullptr && !label->text().contains(QLatin1Char('&')))
            label->setBuddy(control.widget);
    }
    m_table->SetCellNamesFromHeadings(true);
}
