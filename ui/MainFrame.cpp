#include "ui/MainFrame.h"

#include "ui/FilePaths.h"
#include "ui/QZM530RXApp.h"

#include <QCloseEvent>

namespace {
constexpr Qt::WindowStates kNotNormal =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
constexpr int kNoPosition = -1; // minimised and maximised positions are not kept
} // namespace

CMainFrame::CMainFrame(CQZM530RXApp& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    m_app.FilePaths().currentFileName = CFilePaths::kDefaultFileName;
    m_app.FilePaths().currentFolder = m_app.InitialFolder();
    resize(kDefaultWidth, kDefaultHeight);
    RememberNormalPosition();
}

void CMainFrame::SetView(QWidget* view)
{
    setCentralWidget(view);
}

bool CMainFrame::IsShownNormal() const
{
    return (windowState() & kNotNormal) == 0;
}

void CMainFrame::RememberNormalPosition()
{
    if (IsShownNormal())
        m_normalPosition = pos();
}

CWindowPlacement CMainFrame::CurrentPlacement() const
{
    const Qt::WindowStates state = windowState();
    CWindowPlacement placement;
    placement.flags = (state & Qt::WindowMinimized) && (state & Qt::WindowMaximized)
                          ? CWindowPlacement::kRestoreToMaximized
                          : 0;
    if (state & Qt::WindowMinimized)
        placement.showState = CWindowPlacement::kShowMinimized;
    else if (state & Qt::WindowMaximized)
        placement.showState = CWindowPlacement::kShowMaximized;
    else
        placement.showState = CWindowPlacement::kShowNormal;
    placement.minX = placement.minY = kNoPosition;
    placement.maxX = placement.maxY = kNoPosition;

    // The normal size with the frame that the window has now.
    const QPoint position = IsShownNormal() ? pos() : m_normalPosition;
    const QSize size = normalGeometry().size() + (frameGeometry().size() - geometry().size());
    placement.left = position.x();
    placement.top = position.y();
    placement.right = position.x() + size.width();
    placement.bottom = position.y() + size.height();
    return placement;
}

void CMainFrame::ApplyPlacement(const CWindowPlacement& placement)
{
    setWindowState(windowState() & ~kNotNormal);
    move(placement.left, placement.top);
    m_normalPosition = QPoint(placement.left, placement.top);
    if (placement.showState == CWindowPlacement::kShowMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_app.SaveWindowPlacement();
    event->accept();
}

void CMainFrame::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    RememberNormalPosition();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    RememberNormalPosition();
}
