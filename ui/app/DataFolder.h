#pragma once
#include <cstddef>
#include <optional>
#include <string>

// Where the file dialogs start, with the paths that the rule needs from the
// system passed in so that tests can give their own.
struct CFolderSources
{
    std::string lastFilePath;                   // the stored "LastFilePath"
    std::optional<std::string> documentsFolder; // nothing when the system has none
    std::string programFolder;                  // folder of the executable
};

// The path-length limit of the stored folders and file names.
constexpr std::size_t kMaxPathLength = 259;

// Makes sure that `name` exists inside `folder` (a folder with its trailing
// separator), creating it when missing. The joined path, with a trailing
// separator, or nothing when it would be too long or cannot be created.
std::optional<std::string> EnsureSubfolder(const std::string& folder, const std::string& name);

// The stored folder when it names an existing path; otherwise the documents
// folder's Zephran/QZM-530RX (created when missing), the documents folder
// itself when that fails, and without a documents folder the program's
// folder (its DATA folder when one exists). Always ends with a separator.
std::string InitialFolder(const CFolderSources& sources);

// The documents folder and the program's folder of this system.
CFolderSources SystemFolderSources(const std::string& lastFilePath);
