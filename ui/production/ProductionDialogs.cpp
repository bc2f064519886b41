#include "ui/production/ProductionDialogs.h"

#include <QFileDialog>

namespace {

bool Answered(const QString& chosen, std::string& path)
{
    if (chosen.isEmpty())
        return false;
    path = chosen.toStdString();
    return true;
}

} // namespace

bool CQtProductionDialogs::AskDataFile(QWidget* owner, const std::string& start, std::string& path)
{
    return Answered(QFileDialog::getOpenFileName(
                        owner, QStringLiteral("Data file to write"), QString::fromStdString(start),
                        QStringLiteral("Data files (*.dat);;All files (*)")),
                    path);
}

bool CQtProductionDialogs::AskBackupFolder(QWidget* owner, const std::string& start,
                                           std::string& path)
{
    return Answered(QFileDialog::getExistingDirectory(owner, QStringLiteral("Folder for backups"),
                                                      QString::fromStdString(start)),
                    path);
}

bool CQtProductionDialogs::AskLogFile(QWidget* owner, const std::string& start, std::string& path)
{
    // Appended to, never replaced: no question about overwriting.
    return Answered(QFileDialog::getSaveFileName(owner, QStringLiteral("Log file"),
                                                 QString::fromStdString(start),
                                                 QStringLiteral("Log files (*.csv);;All files (*)"),
                                                 nullptr, QFileDialog::DontConfirmOverwrite),
                    path);
}
