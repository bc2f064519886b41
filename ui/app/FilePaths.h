#pragma once
#include "core/DataFile.h"

#include <string>
#include <system_error>

// The file state that the file commands share: which file Save writes,
// where the file dialogs start, and the names a refused load reports.
class CFilePaths
{
public:
    static constexpr const char* kDefaultFileName = "qzm530rx.dat";

    // The longest path the system takes, in characters.
    static std::size_t MaxPathLength();

    // Folder and file name joined; false with `error` set when the result
    // would be longer than the system takes (it is never cut short).
    static bool Join(const std::string& folder, const std::string& name, std::string& path,
                     std::error_code& error);
    // The part of a path after its last separator ('\', '/' or a drive colon).
    static std::string FileNameOf(const std::string& path);
    // The path up to and including its last separator; empty when it has none.
    static std::string FolderOf(const std::string& path);
    // A folder with a separator at its end.
    static std::string WithSeparator(const std::string& folder);

    std::string currentFileName = kDefaultFileName;
    std::string currentFolder;      // always ends with a separator once set
    std::string fullPath;           // scratch: folder and file name joined
    std::string lastOpenedFileName; // name in the last Open dialog
    ForeignProductName foreignProductName{};
};
