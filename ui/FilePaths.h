#pragma once
#include <string>

// The file state that the file commands share: the name that Save writes and
// the folder in which the file dialogs start (ending with its separator).
// The main frame sets both when it is created; the folder is stored at exit.
class CFilePaths
{
public:
    static constexpr const char* kDefaultFileName = "qzm530rx.dat";

    const std::string& CurrentFileName() const { return m_currentFileName; }
    void SetCurrentFileName(const std::string& name) { m_currentFileName = name; }

    const std::string& CurrentFolder() const { return m_currentFolder; }
    void SetCurrentFolder(const std::string& folder) { m_currentFolder = folder; }

private:
    std::string m_currentFileName;
    std::string m_currentFolder;
};
