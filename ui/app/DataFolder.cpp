#include "ui/app/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

constexpr const char* kMakerFolder = "Zephran";
constexpr const char* kProductFolder = "QZM-530RX";
constexpr const char* kProgramDataFolder = "DATA";

QString FromLocal(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str());
}

std::string ToLocal(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

std::string WithSeparator(const QString& folder)
{
    QString native = QDir::toNativeSeparators(folder);
    if (!native.endsWith(QDir::separator()))
        native += QDir::separator();
    return ToLocal(native);
}

} // namespace

std::optional<std::string> EnsureSubfolder(const std::string& folder, const std::string& name)
{
    const std::string joined = folder + name;
    if (joined.size() > kMaxPathLength)
        return std::nullopt;
    const QString path = FromLocal(joined);
    if (!QFileInfo::exists(path) && !QDir().mkdir(path))
        return std::nullopt;
    return WithSeparator(path);
}

std::string InitialFolder(const CFolderSources& sources)
{
    if (!sources.lastFilePath.empty() && QFileInfo::exists(FromLocal(sources.lastFilePath)))
        return sources.lastFilePath;

    if (sources.documentsFolder) {
        const std::string documents = WithSeparator(FromLocal(*sources.documentsFolder));
        if (const auto maker = EnsureSubfolder(documents, kMakerFolder)) {
            if (const auto product = EnsureSubfolder(*maker, kProductFolder))
                return *product;
        }
        return documents;
    }

    const std::string program = WithSeparator(FromLocal(sources.programFolder));
    if (QFileInfo::exists(FromLocal(program + kProgramDataFolder)))
        return program + kProgramDataFolder + ToLocal(QString(QDir::separator()));
    return program;
}

CFolderSources SystemFolderSources(const std::string& lastFilePath)
{
    CFolderSources sources;
    sources.lastFilePath = lastFilePath;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty()) {
        // Desktop accounts always have their documents folder; a fresh
        // account on some systems does not, and the data folders go in it.
        if (!QFileInfo::exists(documents))
            QDir().mkpath(documents);
        sources.documentsFolder = ToLocal(documents);
    }
    sources.programFolder = ToLocal(QCoreApplication::applicationDirPath());
    return sources;
}
