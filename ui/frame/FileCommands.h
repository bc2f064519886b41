#pragma once
#include "text/MessagePresenter.h"

#include <functional>
#include <string>

class CConfigStore;
class CFilePaths;
class CMessageBoxes;
class CTextCatalog;
class ILocalClock;

// The Open and Save As dialogs. The window layer shows the system's
// dialogs; tests answer them.
class IFileDialogs
{
public:
    virtual ~IFileDialogs() = default;

    // The Open dialog, started in `folder`, with an empty name field; the
    // chosen file must exist. False when the user cancels.
    virtual bool AskOpenPath(MessageOwner owner, const std::string& folder,
                             const std::string& filterLabel, std::string& path) = 0;
    // The Save As dialog, started in `folder` with `fileName` in its name
    // field, default extension "dat", asking before it overwrites. False when
    // the user cancels. `extension` is the chosen name's extension without
    // its dot, as the dialog reports it.
    virtual bool AskSaveAsPath(MessageOwner owner, const std::string& folder,
                               const std::string& fileName, const std::string& filterLabel,
                               std::string& path, std::string& extension) = 0;
};

// The file commands of the main window: New, Open, Save, Save As and the
// save question asked before Open and before closing.
class CFileCommands
{
public:
    // The file dialogs' one filter entry: "<text 10007001> (*.dat)" and "*.dat".
    static constexpr const char* kFilterPattern = "*.dat";
    static constexpr const char* kDefaultExtension = "dat";

    CFileCommands(CConfigStore& store, CFilePaths& paths, const CTextCatalog& texts,
                  const CMessageBoxes& boxes, IFileDialogs& dialogs, const ILocalClock& clock);

    // Called whenever the working image was replaced, to show it again.
    void SetRefreshForm(std::function<void()> refresh) { m_refreshForm = std::move(refresh); }

    // Whether the asking command may go on: always when nothing changed;
    // Cancel stops it; No goes on; Yes runs Save As and goes on only when
    // that saved, so changes are never dropped without the user's word.
    bool AskSaveChanges(MessageOwner owner);
    // After the warning "All data will be cleared.": a new configuration.
    void New(MessageOwner owner);
    // Loads a data file chosen in the Open dialog.
    void Open(MessageOwner owner);
    // Saves to the current folder and file name, warning before it
    // overwrites. True when the file was written.
    bool Save(MessageOwner owner);
    // Saves under a name chosen in the Save As dialog, which becomes the
    // current file name and folder. True when the file was written.
    bool SaveAs(MessageOwner owner);
    // The exit question, then the save question; true when the program may
    // close.
    bool ConfirmClose(MessageOwner owner);

    std::string FilterLabel() const;

private:
    bool SaveTo(MessageOwner owner, const std::string& path);
    void Refresh();

    CConfigStore& m_store;
    CFilePaths& m_paths;
    const CTextCatalog& m_texts;
    const CMessageBoxes& m_boxes;
    IFileDialogs& m_dialogs;
    const ILocalClock& m_clock;
    std::function<void()> m_refreshForm;
};
