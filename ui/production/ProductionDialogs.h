#pragma once
#include <string>

class QWidget;

// The file dialogs of the production-line window. The window shows the
// system's; tests answer them. Each is false when the user cancels.
class IProductionDialogs
{
public:
    virtual ~IProductionDialogs() = default;
    // A data file to write, which must exist.
    virtual bool AskDataFile(QWidget* owner, const std::string& start, std::string& path) = 0;
    // The folder for the backups.
    virtual bool AskBackupFolder(QWidget* owner, const std::string& start, std::string& path) = 0;
    // The log file, new or one to append to.
    virtual bool AskLogFile(QWidget* owner, const std::string& start, std::string& path) = 0;
};

// The system's dialogs.
class CQtProductionDialogs : public IProductionDialogs
{
public:
    bool AskDataFile(QWidget* owner, const std::string& start, std::string& path) override;
    bool AskBackupFolder(QWidget* owner, const std::string& start, std::string& path) override;
    bool AskLogFile(QWidget* owner, const std::string& start, std::string& path) override;
};
