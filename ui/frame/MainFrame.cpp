#include "ui/frame/MainFrame.h"

#include "text/TextCatalog.h"
#include "ui/frame/AboutDlg.h"
#include "ui/frame/HelpDocument.h"
#include "ui/shared/ProgramIcon.h"
#include "ui/shared/WindowTexts.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {
constexpr Qt::WindowStates kNotNormal =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
constexpr int kNoPosition = -1; // minimised and maximised positions are not kept

// The menu as the program's resources lay it out; the catalogue relabels it
// once it is built. Command ID 0 is a separator.
constexpr const char* kMenuTitles[] = {"&File", "&Help"};
constexpr int kFileMenu = 0;
constexpr int kHelpMenu = 1;
constexpr int kSeparator = 0;

struct CMenuItem
{
    int menu;
    int commandId;
    const char* label;
};

constexpr CMenuItem kMenuItems[] = {
    {kFileMenu, FrameCommand::kNew, "&New"},
    {kFileMenu, FrameCommand::kOpen, "&Open"},
    {kFileMenu, FrameCommand::kSave, "&Save"},
    {kFileMenu, FrameCommand::kSaveAs, "Save &As"},
    {kFileMenu, kSeparator, ""},
    {kFileMenu, FrameCommand::kExit, "E&xit"},
    {kHelpMenu, FrameCommand::kHelp, "&Help"},
    {kHelpMenu, FrameCommand::kAbout, "&About QZM-530RX"},
};

// The top-level items' texts by position; items past the table take ID 0.
constexpr int32_t kMenuTitleTextIds[] = {TextId::kMenuFile, TextId::kMenuHelp};
constexpr int32_t kBlankTextId = 0;

// Every accelerator is Ctrl plus a letter key.
struct CAccelerator
{
    Qt::Key key;
    int commandId;
};

constexpr CAccelerator kAccelerators[] = {
    {Qt::Key_N, FrameCommand::kNew},  {Qt::Key_O, FrameCommand::kOpen},
    {Qt::Key_S, FrameCommand::kSave}, {Qt::Key_M, FrameCommand::kMemoryMap},
    {Qt::Key_R, FrameCommand::kRead}, {Qt::Key_W, FrameCommand::kWrite},
};

struct CCommand
{
    int commandId;
    void (CMainFrame::*handler)();
};

} // namespace

// Member handlers are private; the table that routes commands to them is
// built here, where they are in reach.
struct CMainFrameCommands
{
    static constexpr CCommand kCommands[] = {
        {FrameCommand::kNew, &CMainFrame::OnNew},
        {FrameCommand::kOpen, &CMainFrame::OnOpen},
        {FrameCommand::kSave, &CMainFrame::OnSave},
        {FrameCommand::kSaveAs, &CMainFrame::OnSaveAs},
        {FrameCommand::kExit, &CMainFrame::RequestClose},
        {FrameCommand::kHelp, &CMainFrame::OnHelp},
        {FrameCommand::kAbout, &CMainFrame::OnAbout},
        {FrameCommand::kMemoryMap, &CMainFrame::memoryMapRequested},
        {FrameCommand::kRead, &CMainFrame::readRequested},
        {FrameCommand::kWrite, &CMainFrame::writeRequested},
    };
};

void RelabelMenu(QMenuBar& menuBar, const CTextCatalog& texts)
{
    constexpr int kTitledCount = sizeof kMenuTitleTextIds / sizeof kMenuTitleTextIds[0];
    const QList<QAction*> titles = menuBar.actions();
    for (int position = 0; position < titles.size(); ++position) {
        QAction* title = titles[position];
        title->setText(CatalogText(texts, position < kTitledCount ? kMenuTitleTextIds[position]
                                                                  : kBlankTextId));
        if (!title->menu())
            continue;
        for (QAction* item : title->menu()->actions()) {
            const int commandId = item->data().toInt();
            if (item->isSeparator() || item->menu() || commandId <= 0)
                continue;
            item->setText(CatalogText(texts, commandId));
        }
    }
}

CMainFrame::CMainFrame(const CFrameParts& parts, QWidget* parent)
    : QMainWindow(parent), m_texts(parts.texts),
      m_fileCommands(parts.store, parts.filePaths, parts.texts, parts.boxes, parts.fileDialogs,
                     parts.clock)
{
    m_fileCommands.SetRefreshForm([this] { emit formRefreshRequested(); });
    setWindowIcon(ProgramIcon::Icon());
    resize(kDefaultWidth, kDefaultHeight);
    RememberNormalPosition();

    CreateMenu();
    RelabelMenu(*menuBar(), m_texts);
    CreateAccelerators();
}

void CMainFrame::CreateMenu()
{
    QList<QMenu*> menus;
    for (const char* title : kMenuTitles)
        menus.push_back(menuBar()->addMenu(QString::fromLatin1(title)));
    for (const CMenuItem& item : kMenuItems) {
        QMenu* menu = menus[item.menu];
        if (item.commandId == kSeparator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(item.label));
        action->setData(item.commandId);
        const int commandId = item.commandId;
        connect(action, &QAction::triggered, this,
                [this, commandId] { ExecuteCommand(commandId); });
    }
}

void CMainFrame::CreateAccelerators()
{
    // Kept apart from the menu, whose items show their catalogue texts only.
    for (const CAccelerator& accelerator : kAccelerators) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(Qt::CTRL | accelerator.key));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setData(accelerator.commandId);
        const int commandId = accelerator.commandId;
        connect(action, &QAction::triggered, this,
                [this, commandId] { ExecuteCommand(commandId); });
        addAction(action);
    }
}

bool CMainFrame::ExecuteCommand(int commandId)
{
    for (const CCommand& command : CMainFrameCommands::kCommands) {
        if (command.commandId == commandId) {
            (this->*command.handler)();
            return true;
        }
    }
    return false;
}

QAction* CMainFrame::MenuAction(int commandId) const
{
    for (QAction* title : menuBar()->actions()) {
        if (!title->menu())
            continue;
        for (QAction* item : title->menu()->actions())
            if (!item->isSeparator() && item->data().toInt() == commandId)
                return item;
    }
    return nullptr;
}

MessageOwner CMainFrame::Owner()
{
    return static_cast<QWidget*>(this);
}

void CMainFrame::OnNew()
{
    m_fileCommands.New(Owner());
}

void CMainFrame::OnOpen()
{
    m_fileCommands.Open(Owner());
}

void CMainFrame::OnSave()
{
    m_fileCommands.Save(Owner());
}

void CMainFrame::OnSaveAs()
{
    m_fileCommands.SaveAs(Owner());
}

void CMainFrame::OnHelp()
{
    HelpDocument::OpenHelp();
}

void CMainFrame::OnAbout()
{
    CAboutDlg dialog(m_texts, this);
    dialog.exec();
}

void CMainFrame::RequestClose()
{
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
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
    // A second request while the questions are open never gets here: the
    // window is already closing.
    if (!m_fileCommands.ConfirmClose(Owner())) {
        event->ignore();
        return;
    }
    emit closeAccepted();
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
