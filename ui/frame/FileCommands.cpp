#include "ui/frame/FileCommands.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "core/FileIo.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"
#include "ui/app/FilePaths.h"

namespace {

constexpr unsigned kSaveQuestionStyle =
    MessageStyle::kYesNoCancel | MessageStyle::kIconExclamation; // 0x33
constexpr unsigned kOkCancelSecondDefault =
    MessageStyle::kOkCancel | MessageStyle::kDefaultButton2;                              // 0x101
constexpr unsigned kConfirmStyle = MessageStyle::kOkCancel | MessageStyle::kIconQuestion; // 0x21
constexpr const char* kWarningTitle = "Warning";

} // namespace

CFileCommands::CFileCommands(CConfigStore& store, CFilePaths& paths, const CTextCatalog& texts,
                             const CMessageBoxes& boxes, IFileDialogs& dialogs,
                             const ILocalClock& clock)
    : m_store(store), m_paths(paths), m_texts(texts), m_boxes(boxes), m_dialogs(dialogs),
      m_clock(clock)
{
}

std::string CFileCommands::FilterLabel() const
{
    return std::string(m_texts.GetText(TextId::kFileFilterName)) + " (" + kFilterPattern + ")";
}

void CFileCommands::Refresh()
{
    if (m_refreshForm)
        m_refreshForm();
}

bool CFileCommands::AskSaveChanges(MessageOwner owner)
{
    if (!m_store.IsModified())
        return true;
    const std::string text = std::string(m_texts.GetText(TextId::kAskSaveChange)) + " \"" +
                             m_paths.currentFileName + "\" ?";
    const int answer = m_boxes.ShowMessage(owner, text, kProductName, kSaveQuestionStyle);
    if (answer == MessageAnswer::kCancel)
        return false;
    if (answer == MessageAnswer::kYes)
        return SaveAs(owner);
    return true;
}

void CFileCommands::New(MessageOwner owner)
{
    const int answer = m_boxes.ShowWarning(owner, m_texts.GetText(TextId::kAllDataCleared),
                                           TextId::kTitleWarning, kOkCancelSecondDefault);
    if (answer != MessageAnswer::kOk)
        return;
    m_store.Reset();
    Refresh();
}

void CFileCommands::Open(MessageOwner owner)
{
    if (!AskSaveChanges(owner))
        return;
    std::string path;
    if (!m_dialogs.AskOpenPath(owner, m_paths.currentFolder, FilterLabel(), path))
        return;
    m_paths.foreignProductName.fill(0);
    m_paths.lastOpenedFileName = CFilePaths::FileNameOf(path);
    if (!IsDataFileName(path))
        return;
    const int result = LoadDataFile(m_store, path, m_paths.foreignProductName);
    ReportLoadFailure(m_boxes, m_texts, owner, result, m_paths.lastOpenedFileName,
                      m_paths.foreignProductName);
    if (result != DataFile::kLoaded)
        return;
    m_store.TransferToImage();
    m_store.ImageToSaved();
    Refresh();
}

bool CFileCommands::Save(MessageOwner owner)
{
    std::error_code error;
    if (!CFilePaths::Join(m_paths.currentFolder, m_paths.currentFileName, m_paths.fullPath,
                          error)) {
        ReportSaveFailure(m_boxes, owner, error);
        return false;
    }
    if (FileExists(m_paths.fullPath)) {
        const std::string text = std::string(m_texts.GetText(TextId::kOverwrite)) + "\n\n" +
                                 m_texts.GetText(TextId::kSaveNameAs) + " : " +
                                 m_paths.currentFileName;
        const int answer = m_boxes.ShowMessage(
            owner, text, kWarningTitle, kOkCancelSecondDefault | MessageStyle::kIconExclamation);
        if (answer != MessageAnswer::kOk)
            return false;
    }
    return SaveTo(owner, m_paths.fullPath);
}

bool CFileCommands::SaveAs(MessageOwner owner)
{
    std::string path;
    std::string extension;
    if (!m_dialogs.AskSaveAsPath(owner, m_paths.currentFolder, m_paths.currentFileName,
                                 FilterLabel(), path, extension))
        return false;
    std::string fileName = CFilePaths::FileNameOf(path);
    if (extension != kDefaultExtension) {
        const std::string suffix = !fileName.empty() && fileName.back() == '.'
                                       ? kDefaultExtension
                                       : std::string(".") + kDefaultExtension;
        std::error_code error;
        std::string extended;
        if (!CFilePaths::Join(path, suffix, extended, error)) {
            ReportSaveFailure(m_boxes, owner, error);
            return false;
        }
        path = extended;
        fileName += suffix;
    }
    if (!SaveTo(owner, path))
        return false;
    m_paths.currentFileName = fileName;
    m_paths.currentFolder = CFilePaths::FolderOf(path);
    return true;
}

bool CFileCommands::ConfirmClose(MessageOwner owner)
{
    const int answer =
        m_boxes.ShowMessageById(owner, TextId::kAskExit, TextId::kTitleConfirmation, kConfirmStyle);
    if (answer != MessageAnswer::kOk)
        return false;
    return AskSaveChanges(owner);
}

bool CFileCommands::SaveTo(MessageOwner owner, const std::string& path)
{
    std::error_code error;
    if (SaveDataFile(m_store, path, m_clock, error) != DataFile::kSaved) {
        ReportSaveFailure(m_boxes, owner, error);
        return false;
    }
    return true;
}
