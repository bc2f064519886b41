#include "ui/shared/ListAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace {

constexpr int kOptionsChild = 0;

QAccessibleInterface* ListFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QComboBox") || !object->isWidgetType())
        return nullptr;
    auto* list = static_cast<QComboBox*>(object);
    return list->isEditable() ? nullptr : new CListAccessible(list);
}

} // namespace

CListAccessible::CListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox)
{
}

QComboBox* CListAccessible::List() const
{
    return static_cast<QComboBox*>(widget());
}

QAccessibleInterface* CListAccessible::OptionsInterface() const
{
    return QAccessible::queryAccessibleInterface(List()->view());
}

QString CListAccessible::text(QAccessible::Text kind) const
{
    switch (kind) {
    case QAccessible::Name:
        if (!List()->accessibleName().isEmpty())
            return List()->accessibleName();
        return List()->currentText();
    case QAccessible::Value:
        return List()->currentText();
    default:
        return QAccessibleWidget::text(kind);
    }
}

QAccessible::State CListAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    const bool open = List()->view()->isVisible();
    state.expanded = open;
    state.collapsed = !open;
    return state;
}

int CListAccessible::childCount() const
{
    return OptionsInterface() != nullptr ? 1 : 0;
}

QAccessibleInterface* CListAccessible::child(int index) const
{
    return index == kOptionsChild ? OptionsInterface() : nullptr;
}

int CListAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    return child != nullptr && child->object() == List()->view() ? kOptionsChild : -1;
}

QAccessibleInterface* CListAccessible::childAt(int x, int y) const
{
    QAbstractItemView* options = List()->view();
    if (!options->isVisible())
        return nullptr;
    const QRect area(options->mapToGlobal(QPoint(0, 0)), options->size());
    return area.contains(x, y) ? OptionsInterface() : nullptr;
}

QStringList CListAccessible::actionNames() const
{
    return {showMenuAction(), pressAction()};
}

QStringList CListAccessible::keyBindingsForAction(const QString&) const
{
    return {};
}

void CListAccessible::doAction(const QString& actionName)
{
    if (actionName != showMenuAction() && actionName != pressAction())
        return;
    if (List()->view()->isVisible())
        List()->hidePopup();
    else
        List()->showPopup();
}

void UseListAccessible()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(ListFactory);
}
