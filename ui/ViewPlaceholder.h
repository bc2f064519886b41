#pragma once
#include <QWidget>

class CQZM530RXApp;
class QLabel;
class QPushButton;

// PLACEHOLDER for the settings form, which replaces it. It resets the store
// on its first display as the form will, and offers the COM port dialog
// with a temporary button and the port label beside it.
class CViewPlaceholder : public QWidget
{
    Q_OBJECT

public:
    explicit CViewPlaceholder(CQZM530RXApp& app, QWidget* parent = nullptr);

    QPushButton* PortButton() const { return m_portButton; }
    QLabel* PortLabel() const { return m_portLabel; }

    // Runs the COM port dialog modally and shows the port chosen.
    void ChooseComPort();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowPortNumber();

    CQZM530RXApp& m_app;
    QPushButton* m_portButton = nullptr;
    QLabel* m_portLabel = nullptr;
    bool m_shownOnce = false;
};
