#pragma once
#include "text/MessagePresenter.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>

// Message boxes on screen: a modal QMessageBox with the style's icon, buttons
// and default button, owned by the given window or else the main window.
class CQtMessagePresenter : public IMessagePresenter
{
public:
    // The window that owns boxes shown without an owner; none before the
    // main window exists.
    void SetMainWindow(QWidget* mainWindow) { m_mainWindow = mainWindow; }

    int Present(MessageOwner owner, const std::string& text, const std::string& title,
                unsigned style) override;

    // The box that Present runs, built but not shown.
    std::unique_ptr<QMessageBox> BuildBox(MessageOwner owner, const std::string& text,
                                          const std::string& title, unsigned style) const;

private:
    QPointer<QWidget> m_mainWindow;
};

// The mapping between the platform's style values and answer codes and Qt's.
// Unknown button sets show OK; unknown icons show none.
QMessageBox::Icon IconForStyle(unsigned style);
QMessageBox::StandardButtons ButtonsForStyle(unsigned style);
// The first button, or the second one when the style asks for it.
QMessageBox::StandardButton DefaultButtonForStyle(unsigned style);
// The button that Escape and the close box stand for.
QMessageBox::StandardButton EscapeButtonForStyle(unsigned style);
// OK 1, Cancel 2, Yes 6, No 7; anything else counts as Cancel.
int AnswerForButton(QMessageBox::StandardButton button);
