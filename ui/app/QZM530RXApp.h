#pragma once
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "link/MicLink.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"
#include "ui/app/DataFolder.h"
#include "ui/app/FilePaths.h"
#include "ui/app/ProfileSettings.h"
#include "ui/frame/QtFileDialogs.h"
#include "ui/shared/QtMessagePresenter.h"

#include <functional>
#include <memory>
#include <string>

class CMainFrame;
class CQZM530RXView;
class CQZM530RXDoc;
class QWidget;

// What tests change about the program; the program itself uses the defaults.
struct CAppOptions
{
    // Shows the message boxes; the on-screen presenter when none.
    IMessagePresenter* presenter = nullptr;
    // The text table; the built-in one when none.
    const CTextTable* textTable = nullptr;
    // The folders from which the initial data folder is chosen, given the
    // stored "LastFilePath"; the system's when empty.
    std::function<CFolderSources(const std::string&)> folderSources;
    // Shows the Open and Save As dialogs; the system's when none.
    IFileDialogs* fileDialogs = nullptr;
    // The local time written into saved data files; the system's when none.
    const ILocalClock* clock = nullptr;
};

// The root of the program. It owns every long-lived part for the whole run,
// brings the program up in a fixed order, restores what the previous run
// stored and stores it again at the end. One instance, made in main() after
// the QApplication; members are constructed in declaration order and
// destroyed in reverse.
class CQZM530RXApp
{
public:
    static constexpr const char* kLanguage = "English";
    static constexpr int kStartupFailed = 1;

    // The catalogue reads the command line for its ID display switch here;
    // every other argument is ignored.
    CQZM530RXApp(int argc, const char* const* argv, CAppOptions options = {});
    ~CQZM530RXApp();
    CQZM530RXApp(const CQZM530RXApp&) = delete;
    CQZM530RXApp& operator=(const CQZM530RXApp&) = delete;

    // The one instance, while it exists.
    static CQZM530RXApp* Instance() { return s_instance; }

    // Start-up, the event loop until the main window closes, and program
    // exit. The process status: the loop's, or kStartupFailed.
    int Run();

    // Start-up up to the event loop: the language, the COM port, the
    // document, the main frame and its form, the placement, show, title.
    // False when the language cannot be selected; no window is left then.
    bool InitInstance();
    // After the event loop: stores the COM port and the current folder, only
    // when start-up succeeded, so a failed run leaves the last good values.
    void ExitInstance();

    // The placement of the main window, stored when it closes and restored
    // at start-up. A placement entirely off every screen is not applied.
    void SaveWindowPlacement();
    void RestoreWindowPlacement();

    // The folder in which the file dialogs start (the main frame asks).
    std::string InitialFolder() const;

    CConfigStore& Store() { return m_store; }
    const CMessageBoxes& MessageBoxes() const { return m_messageBoxes; }
    const CTextCatalog& Texts() const { return m_texts; }
    CFilePaths& FilePaths() { return m_filePaths; }
    CMicLink& Link() { return m_link; }
    const CProfileSettings& Profile() const { return m_profile; }
    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    bool HasDocument() const { return m_document != nullptr; }
    IFileDialogs& FileDialogs();
    const ILocalClock& Clock() const;

private:
    // The frame's accelerators and file commands reach the form; the form's
    // Exit button asks the frame to close; an agreed close stores the
    // window's placement.
    void ConnectWindows(CMainFrame& frame, CQZM530RXView& view);

    static CQZM530RXApp* s_instance;

    CAppOptions m_options;
    // Long-lived parts, in construction order: each takes only those above
    // it. The shared utility operations are free functions of core/ and need
    // no object here.
    CTextCatalog m_texts;
    CQtMessagePresenter m_screenPresenter;
    CMessageBoxes m_messageBoxes;
    CConfigStore m_store;
    CFilePaths m_filePaths;
    CMicLink m_link;
    CProfileSettings m_profile;
    CQtFileDialogs m_screenDialogs;
    CSystemClock m_systemClock;

    // The document and the windows, created by start-up, gone before the
    // parts above.
    std::unique_ptr<CQZM530RXDoc> m_document;
    std::unique_ptr<CMainFrame> m_mainFrame;
    bool m_startedUp = false;
};
