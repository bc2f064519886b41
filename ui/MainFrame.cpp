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
    m_app.FilePaths().SetCurrentFileName(CFilePaths::kDefaultFileName);
    m_app.FilePaths().SetCurrentFolder(m_app.InitialFolder());
    resize(kDefaultWidth, kDefaultHeight);
    RememberNormalFrame();
}

void CMainFrame::SetView(QWidget* view)
{
    setCentralWidget(view);
}

bool CMainFrame::IsShownNormal() const
{
    return (windowState() & kNotNormal) == 0;
}

void CMainFrame::RememberNormalFrame()
{
    if (IsShownNormal())
        m_normalFrame = frameGeometry();
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

    const QRect normal = IsShownNormal() ? frameGeometry() : m_normalFrame;
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    return placement;
}

void CMainFrame::ApplyPlacement(const CWindowPlacement& placement)
{
    setWindowState(windowState() & ~kNotNormal);
    move(placement.left, placement.top);
    m_normalFrame = QRect(placement.left, placement.top, placement.right - placement.left,
                          placement.bottom - placement.top);
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
    RememberNormalFrame();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    RememberNormalFrame();
}
