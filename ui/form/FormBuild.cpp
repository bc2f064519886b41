#include "ui/form/QZM530RXView.h"

#include "grid/GridEditor.h"
#include "ui/shared/DialogUnits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <iterator>

// The form's controls as its template places them, their tab order and
// their connections.

namespace {

// The table's font, a property of the control as placed on the form.
constexpr const char* kTableFontFamily = "Arial";
constexpr qreal kTableFontPoints = 8.25;
constexpr int kMinVisibleItems = 1;
constexpr int kGroupFrameWidth = 2;
constexpr int kGroupTitlePadding = 2;

struct CButtonCommand
{
    int id;
    void (CQZM530RXView::*handler)();
};

const CButtonCommand kButtonCommands[] = {
    {FormId::kMemoryMapButton, &CQZM530RXView::OnMemoryMap},
    {FormId::kReadButton, &CQZM530RXView::OnRead},
    {FormId::kWriteButton, &CQZM530RXView::OnWrite},
    {FormId::kHelpButton, &CQZM530RXView::OnHelp},
    {FormId::kExitButton, &CQZM530RXView::OnExit},
    {FormId::kPortButton, &CQZM530RXView::OnComPort},
};

QString TemplateText(const CFormControlDef& def)
{
    return def.templateText != nullptr ? QString::fromLatin1(def.templateText) : QString();
}

bool TakesFocus(FormControlKind kind)
{
    switch (kind) {
    case FormControlKind::CheckBox:
    case FormControlKind::Table:
    case FormControlKind::List:
    case FormControlKind::Button:
    case FormControlKind::IconButton:
        return true;
    default:
        return false;
    }
}

// A group box as dialog templates draw it: an etched frame whose top line
// runs through the middle of the title, the title a little in from the left.
QString GroupBoxStyle(const QFontMetrics& metrics)
{
    const int titleMiddle = metrics.height() / 2;
    return QStringLiteral("QGroupBox { border: %1px groove palette(mid); margin-top: %2px; }"
                          "QGroupBox::title { subcontrol-origin: margin; left: %3px;"
                          " padding: 0px %4px; }")
        .arg(kGroupFrameWidth)
        .arg(titleMiddle)
        .arg(metrics.averageCharWidth() + kGroupTitlePadding)
        .arg(kGroupTitlePadding);
}

QFont TableFont()
{
    QFont font(QString::fromLatin1(kTableFontFamily));
    font.setPointSizeF(kTableFontPoints);
    return font;
}

QWidget* NewControl(const CFormControlDef& def, QWidget* parent)
{
    const QString text = TemplateText(def);
    switch (def.kind) {
    case FormControlKind::GroupBox: {
        auto* group = new QGroupBox(text, parent);
        group->setStyleSheet(GroupBoxStyle(group->fontMetrics()));
        return group;
    }
    case FormControlKind::CheckBox:
        return new QCheckBox(text, parent);
    case FormControlKind::Table: {
        auto* table = new CGridEditor(parent);
        table->setFont(TableFont());
        return table;
    }
    case FormControlKind::List: {
        auto* list = new QComboBox(parent);
        list->setEditable(false);
        return list;
    }
    case FormControlKind::RightText: {
        auto* label = new QLabel(text, parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        return label;
    }
    case FormControlKind::SunkenText: {
        auto* label = new QLabel(text, parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // The port label is painted on white.
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, Qt::white);
        label->setPalette(palette);
        label->setAutoFillBackground(true);
        return label;
    }
    case FormControlKind::Button:
    case FormControlKind::IconButton: {
        auto* button = new QPushButton(text, parent);
        // Enter presses a button only while it has the focus.
        button->setAutoDefault(false);
        return button;
    }
    }
    return nullptr;
}

} // namespace

void CQZM530RXView::CreateControls()
{
    const CDialogUnits units(font());
    setFixedSize(units.ToPixelsX(kFormWidthDu), units.ToPixelsY(kFormHeightDu));
    for (const CFormControlDef* def = FormControlsBegin(); def != FormControlsEnd(); ++def) {
        QWidget* widget = NewControl(*def, this);
        widget->setObjectName(QStringLiteral("control%1").arg(def->id));
        QRect place = units.ToPixels(def->x, def->y, def->width, def->height);
        if (def->kind == FormControlKind::List) {
            // The template gives the dropped-down height; the closed list is
            // as high as its font needs, and the drop shows what fits.
            auto* list = static_cast<QComboBox*>(widget);
            const int closed = list->sizeHint().height();
            const int itemHeight = std::max(1, list->fontMetrics().height());
            list->setMaxVisibleItems(
                std::max(kMinVisibleItems, (place.height() - closed) / itemHeight));
            place.setHeight(closed);
            if (PresetRowOfList(def->id) != 0) {
                // The in-place lists show their option as the table shows it.
                list->setFont(TableFont());
                place.setHeight(list->sizeHint().height());
            }
        }
        widget->setGeometry(place);
        m_controls.push_back({def, widget});
        if (def->kind == FormControlKind::Table)
            m_table = static_cast<CGridEditor*>(widget);
        ConnectControl(*def, widget);
    }
    SetTabOrder();
    installEventFilter(this);
}

void CQZM530RXView::ConnectControl(const CFormControlDef& def, QWidget* widget)
{
    const int id = def.id;
    switch (def.kind) {
    case FormControlKind::CheckBox:
        connect(static_cast<QCheckBox*>(widget), &QCheckBox::clicked, this,
                [this, id](bool checked) { OnSwitchClicked(id, checked); });
        widget->installEventFilter(this);
        break;
    case FormControlKind::List:
        connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this,
                [this, id](int index) { OnListChosen(id, index); });
        widget->installEventFilter(this);
        break;
    case FormControlKind::Table:
        connect(m_table, &CFlexGrid::MouseDown, this, &CQZM530RXView::OnTableMouseDown);
        m_table->SetOwnerKeyFilter(this);
        break;
    case FormControlKind::Button:
    case FormControlKind::IconButton: {
        const auto command = std::find_if(std::begin(kButtonCommands), std::end(kButtonCommands),
                                          [id](const CButtonCommand& c) { return c.id == id; });
        if (command != std::end(kButtonCommands)) {
            connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
                    command->handler);
        }
        widget->installEventFilter(this);
        break;
    }
    default:
        break;
    }
}

void CQZM530RXView::SetTabOrder()
{
    QWidget* previous = nullptr;
    for (const CControl& control : m_controls) {
        if (!TakesFocus(control.def->kind)) {
            control.widget->setFocusPolicy(Qt::NoFocus);
            continue;
        }
        if (previous != nullptr)
            setTabOrder(previous, control.widget);
        previous = control.widget;
    }
}
