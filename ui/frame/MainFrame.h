#pragma once
#include "ui/app/WindowPlacement.h"
#include "ui/frame/FileCommands.h"

#include <QMainWindow>
#include <QPoint>

#include <cstdint>

class CConfigStore;
class CFilePaths;
class CMessageBoxes;
class CTextCatalog;
class ILocalClock;
class QAction;
class QMenuBar;

// The commands of the menu and the accelerators, by command ID.
namespace FrameCommand {
inline constexpr int kAbout = 32771;
inline constexpr int kHelp = 32772;
inline constexpr int kNew = 32773;
inline constexpr int kOpen = 32774;
inline constexpr int kSave = 32775;
inline constexpr int kSaveAs = 32776;
inline constexpr int kExit = 32777;
// Buttons of the settings form that the accelerators press.
inline constexpr int kMemoryMap = 1012;
inline constexpr int kRead = 1013;
inline constexpr int kWrite = 1014;
} // namespace FrameCommand

// What the main frame works on: the application's parts, or a test's.
struct CFrameParts
{
    CConfigStore& store;
    CFilePaths& filePaths; // the current file and folder, which the file commands keep
    const CTextCatalog& texts;
    const CMessageBoxes& boxes;
    IFileDialogs& fileDialogs;
    const ILocalClock& clock; // the local time written into saved data files
};

// The program's only top-level window. It carries the menu and the
// accelerators, hosts the settings form, runs the file commands, Help and
// About, and ends the program: closing asks first, then stores the window's
// placement (closeAccepted). It has no toolbar and no status bar; its title is set once at
// start-up and never changes.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    // The size the window is created with; a restored placement keeps it.
    static constexpr int kDefaultWidth = 640;
    static constexpr int kDefaultHeight = 480;

    // Builds the menu with its catalogue texts and the accelerators. The
    // parts must outlive the frame.
    explicit CMainFrame(const CFrameParts& parts, QWidget* parent = nullptr);

    // The frame takes ownership of the form.
    void SetView(QWidget* view);
    QWidget* View() const { return centralWidget(); }

    // The window's placement: its show state and its frame when shown normal
    // (its position remembered while it is maximised or minimised).
    CWindowPlacement CurrentPlacement() const;
    // Moves the window to the placement's normal position, keeping its size,
    // and takes over its show state (maximised or normal).
    void ApplyPlacement(const CWindowPlacement& placement);

    // Runs the command with this ID as its menu item or accelerator would;
    // false for an ID that the frame does not know.
    bool ExecuteCommand(int commandId);
    // The menu item of a command; null for commands without one.
    QAction* MenuAction(int commandId) const;
    CFileCommands& FileCommands() { return m_fileCommands; }

public slots:
    // Posts a close request, as the Exit command and the form's Exit button
    // do: the questions of closing run once the request is delivered.
    void RequestClose();

signals:
    // The accelerators of the settings form's Memory Map, Read and Write.
    void memoryMapRequested();
    void readRequested();
    void writeRequested();
    // The working image was replaced (New, a successful Open): the form
    // shows it again.
    void formRefreshRequested();
    // Closing was agreed to and the window is about to close: the moment to
    // store its placement.
    void closeAccepted();

protected:
    // Asks whether to exit and whether to save the changes; a refused close
    // leaves the window as it is. Otherwise emits closeAccepted and closes.
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend struct CMainFrameCommands; // routes command IDs to the handlers below

    void CreateMenu();
    void CreateAccelerators();
    bool IsShownNormal() const;
    void RememberNormalPosition();
    MessageOwner Owner();

    void OnNew();
    void OnOpen();
    void OnSave();
    void OnSaveAs();
    void OnHelp();
    void OnAbout();

    const CTextCatalog& m_texts;
    CFileCommands m_fileCommands;
    QPoint m_normalPosition; // of the frame, while shown normal
};

// Gives the menu bar its catalogue texts in place: the top-level items by
// position (the first "&File", the second "&Help", any further one text ID
// 0), the items of each drop-down menu by their command ID (kept as the
// action's data) when it is above 0. Separators and nested menus keep theirs.
void RelabelMenu(QMenuBar& menuBar, const CTextCatalog& texts);
