#pragma once
#include "ui/frame/FileCommands.h"

// The system's Open and Save As dialogs.
class CQtFileDialogs : public IFileDialogs
{
public:
    bool AskOpenPath(MessageOwner owner, const std::string& folder, const std::string& filterLabel,
                     std::string& path) override;
    bool AskSaveAsPath(MessageOwner owner, const std::string& folder, const std::string& fileName,
                       const std::string& filterLabel, std::string& path,
                       std::string& extension) override;
};
