#pragma once
#include <QAccessibleWidget>

class QComboBox;

// What a screen reader gets of a drop-down list that cannot be typed into:
// its accessible name when it has one (else the option it shows), the
// option it shows as its value and as its text (the text is what screen
// readers on Linux read as what the list shows), the list of options as its
// one child, and the action that opens or closes that list.
//
// Qt's own interface names such a list by the option it shows on Linux and
// leaves its accessible name unused, so "0dB" is read where the list sets the
// "Noise Attenuation Level".
class CListAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit CListAccessible(QComboBox* list);

    void* interface_cast(QAccessible::InterfaceType type) override;

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    QStringList actionNames() const override;
    QStringList keyBindingsForAction(const QString& actionName) const override;
    void doAction(const QString& actionName) override;

    // The text: the option shown, read only, nothing selected.
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    QComboBox* List() const;
    QAccessibleInterface* OptionsInterface() const;
};

// Makes every QComboBox that cannot be typed into use CListAccessible from
// now on. Call before the lists it should serve are first reached (an
// interface, once made, stays with its widget); calling it again does nothing.
void UseListAccessible();
