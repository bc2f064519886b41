#pragma once
#include "ui/WindowPlacement.h"

#include <QMainWindow>
#include <QPoint>

class CQZM530RXApp;

// The program's only top-level window. It hosts the settings form and, when
// it closes, stores its placement; the program then ends.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    // The size the window is created with; a restored placement keeps it.
    static constexpr int kDefaultWidth = 640;
    static constexpr int kDefaultHeight = 480;

    // Sets the current file name and, by the stored or default data folder,
    // the current folder of the application's file state.
    explicit CMainFrame(CQZM530RXApp& app, QWidget* parent = nullptr);

    // The frame takes ownership of the form.
    void SetView(QWidget* view);
    QWidget* View() const { return centralWidget(); }

    // The window's placement: its show state and its frame when shown normal
    // (its position remembered while it is maximised or minimised).
    CWindowPlacement CurrentPlacement() const;
    // Moves the window to the placement's normal position, keeping its size,
    // and takes over its show state (maximised or normal).
    void ApplyPlacement(const CWindowPlacement& placement);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool IsShownNormal() const;
    void RememberNormalPosition();

    CQZM530RXApp& m_app;
    QPoint m_normalPosition; // of the frame, while shown normal
};
