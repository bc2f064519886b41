#include "ui/form/QZM530RXView.h"

#include "grid/GridEditor.h"
#include "ui/frame/HelpDocument.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPushButton>

// The form's key filter, which sees every key press addressed to the form
// or its controls before it is handled, and the focus on activation.

namespace {
constexpr int kMoveNextStep = 1;

bool IsEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The buttons that Enter presses; on every other control Enter moves on.
bool IsCommandButton(int id)
{
    return id == FormId::kReadButton || id == FormId::kWriteButton ||
           id == FormId::kMemoryMapButton || id == FormId::kHelpButton || id == FormId::kExitButton;
}
} // namespace

bool CQZM530RXView::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        if (FilterKey(widget, static_cast<QKeyEvent*>(event)))
            return true;
    } else if (event->type() == QEvent::FocusOut) {
        auto* list = qobject_cast<QComboBox*>(widget);
        // The list's own drop-down takes the focus without ending the edit.
        if (list != nullptr && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            for (int row = 1; row <= kPresetRowCount; ++row)
                if (RowList(row) == list)
                    OnListFocusLost(list, PresetRowList(row));
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CQZM530RXView::FilterKey(QWidget* target, QKeyEvent* key)
{
    if (target == m_table)
        return TableKey(key);
    for (int row = 1; row <= kPresetRowCount; ++row)
        if (RowList(row) == target)
            return InPlaceListKey(key);
    if (target == this && !hasFocus())
        return false; // a key that a control let through on its way up
    return OtherControlKey(target, key);
}

bool CQZM530RXView::TableKey(QKeyEvent* key)
{
    if (m_table->GetCol() == 0)
        return true;
    const int code = key->key();
    switch (code) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
        BeginPresetEdit();
        return false;
    case Qt::Key_PageUp:
        m_table->PageUp();
        return true;
    case Qt::Key_PageDown:
        m_table->PageDown();
        return true;
    case Qt::Key_Home:
        m_table->SetRow(1);
        return false;
    case Qt::Key_End:
        m_table->SetRow(m_table->GetRows() - 1);
        return false;
    case Qt::Key_Up:
    case Qt::Key_Down:
        m_table->HandleUpDown(code);
        return false;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Menu:
        return false;
    case Qt::Key_F1:
        HelpDocument::OpenHelp();
        return true;
    default:
        break;
    }
    QComboBox* list = RowList(m_table->GetRow());
    if (list == nullptr || !m_table->ListAcceptsKey(list, *key))
        return false;
    BeginPresetEdit();
    if (list->isVisible()) {
        // The list moves to the option that the key begins.
        QCoreApplication::postEvent(list, new QKeyEvent(QEvent::KeyPress, code, key->modifiers(),
                                                        key->text(), key->isAutoRepeat()));
    }
    return true;
}

bool CQZM530RXView::InPlaceListKey(QKeyEvent* key)
{
    const int code = key->key();
    if (code == Qt::Key_Tab || code == Qt::Key_Backtab) {
        m_table->TabOut();
        return true;
    }
    if (IsEnter(code)) {
        m_table->setFocus(Qt::OtherFocusReason);
        m_table->MoveNext(kMoveNextStep);
        return false;
    }
    if (code == Qt::Key_Escape || code == Qt::Key_F1) {
        // The choice was stored when it was made; the list just closes.
        m_table->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

bool CQZM530RXView::OtherControlKey(QWidget* target, QKeyEvent* key)
{
    const int code = key->key();
    if (IsEnter(code)) {
        const CControl* control = nullptr;
        for (const CControl& c : m_controls)
            if (c.widget == target)
                control = &c;
        if (control != nullptr && IsCommandButton(control->def->id))
            static_cast<QPushButton*>(target)->click();
        else
            focusNextChild();
        return true;
    }
    if (code == Qt::Key_F1) {
        HelpDocument::OpenHelp();
        return true;
    }
    return false;
}

bool CQZM530RXView::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        // After the window has put its own focus back.
        QMetaObject::invokeMethod(this, &CQZM530RXView::FocusOnActivation, Qt::QueuedConnection);
    }
    return QWidget::event(event);
}

void CQZM530RXView::FocusOnActivation()
{
    const QWidget* focus = QApplication::focusWidget();
    if (!isActiveWindow() || (focus != nullptr && focus != this))
        return;
    if (m_refocus != nullptr) {
        m_refocus->setFocus(Qt::ActiveWindowFocusReason);
        return;
    }
    for (const CControl& control : m_controls) {
        QWidget* widget = control.widget;
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled()) {
            widget->setFocus(Qt::ActiveWindowFocusReason);
            return;
        }
    }
}
