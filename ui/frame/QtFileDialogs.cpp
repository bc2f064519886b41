#include "ui/frame/QtFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QWidget* OwnerWidget(MessageOwner owner)
{
    if (owner)
        return static_cast<QWidget*>(owner);
    return QApplication::activeWindow();
}

QString NameFilter(const std::string& filterLabel)
{
    // The label carries the pattern in brackets, which is how Qt reads a filter.
    return QString::fromLatin1(filterLabel.c_str());
}

std::string ToPath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdString();
}

} // namespace

bool CQtFileDialogs::AskOpenPath(MessageOwner owner, const std::string& folder,
                                 const std::string& filterLabel, std::string& path)
{
    QFileDialog dialog(OwnerWidget(owner));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QString::fromStdString(folder));
    dialog.setNameFilter(NameFilter(filterLabel));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = ToPath(dialog.selectedFiles().constFirst());
    return true;
}

bool CQtFileDialogs::AskSaveAsPath(MessageOwner owner, const std::string& folder,
                                   const std::string& fileName, const std::string& filterLabel,
                                   std::string& path, std::string& extension)
{
    QFileDialog dialog(OwnerWidget(owner));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QString::fromStdString(folder));
    dialog.setNameFilter(NameFilter(filterLabel));
    dialog.setDefaultSuffix(QString::fromLatin1(CFileCommands::kDefaultExtension));
    dialog.selectFile(QString::fromStdString(fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString chosen = dialog.selectedFiles().constFirst();
    path = ToPath(chosen);
    extension = QFileInfo(chosen).suffix().toStdString();
    return true;
}
