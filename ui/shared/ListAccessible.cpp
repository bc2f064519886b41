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
    // The text changes with the option shown; screen readers hear of it.
    QObject::connect(list, &QComboBox::currentTextChanged, list,
                     [list, shown = list->currentText()](const QString& now) mutable {
                         QAccessibleTextUpdateEvent event(list, 0, shown, now);
                         QAccessible::updateAccessibility(&event);
                         shown = now;
                     });
}

void* CListAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
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

QString CListAccessible::text(int startOffset, int endOffset) const
{
    const QString shown = List()->currentText();
    if (endOffset < 0 || endOffset > shown.size())
        endOffset = static_cast<int>(shown.size());
    startOffset = qBound(0, startOffset, endOffset);
    return shown.mid(startOffset, endOffset - startOffset);
}

int CListAccessible::characterCount() const
{
    return static_cast<int>(List()->currentText().size());
}

int CListAccessible::cursorPosition() const
{
    return 0;
}

void CListAccessible::setCursorPosition(int) {}

void CListAccessible::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

int CListAccessible::selectionCount() const
{
    return 0;
}

void CListAccessible::addSelection(int, int) {}

void CListAccessible::removeSelection(int) {}

void CListAccessible::setSelection(int, int, int) {}

QRect CListAccessible::characterRect(int) const
{
    return {};
}

int CListAccessible::offsetAtPoint(const QPoint&) const
{
    return -1;
}

void CListAccessible::scrollToSubstring(int, int) {}

QString CListAccessible::attributes(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
