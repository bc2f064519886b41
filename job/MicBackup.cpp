#include "job/MicBackup.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "core/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kMaxCopies = 1000;
constexpr const char* kSeparator = "_";

std::string FileNamePart(const std::string& text)
{
    std::string part;
    for (const char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        part += plain ? c : '-';
    }
    const std::size_t first = part.find_first_not_of("-.");
    const std::size_t last = part.find_last_not_of("-.");
    return first == std::string::npos ? std::string() : part.substr(first, last - first + 1);
}

// Creates the file only when no file of that name exists; false otherwise,
// with the system's reason.
bool Reserve(const std::string& path, std::error_code& error)
{
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    std::fclose(file);
    return true;
}

} // namespace

std::string BackupFileName(const std::string& stamp, const std::string& port,
                           const std::string& model, int copy, const std::string& label)
{
    std::string name = FileNamePart(stamp);
    for (const std::string& part : {FileNamePart(port), FileNamePart(model), FileNamePart(label)})
        if (!part.empty())
            name += kSeparator + part;
    if (copy > 1)
        name += "-" + std::to_string(copy);
    return name + ".dat";
}

bool SaveBackup(const MicImage& image, const std::string& folder, const std::string& stamp,
                const std::string& port, const std::string& model, const ILocalClock& clock,
                std::string& path, CBackupFailure& failure, const std::string& label)
{
    namespace fs = std::filesystem;
    std::error_code code;
    fs::create_directories(folder, code);
    if (code || !fs::is_directory(folder)) {
        failure = {true, folder, code ? code : std::make_error_code(std::errc::not_a_directory)};
        return false;
    }
    std::string reserved;
    for (int copy = 1; copy <= kMaxCopies && reserved.empty(); ++copy) {
        const std::string candidate =
            (fs::path(folder) / BackupFileName(stamp, port, model, copy, label)).string();
        if (Reserve(candidate, code))
            reserved = candidate;
        else if (!fs::exists(candidate))
            break;
    }
    if (reserved.empty()) {
        failure = {true, folder, code ? code : std::make_error_code(std::errc::file_exists)};
        return false;
    }
    CConfigStore store;
    std::memcpy(store.WorkingImage(), image.data(), image.size());
    if (SaveDataFile(store, reserved, clock, code) != DataFile::kSaved) {
        failure = {false, reserved, code};
        fs::remove(reserved, code);
        return false;
    }
    path = reserved;
    return true;
}

bool CanSaveBackups(const std::string& folder, CBackupFailure& failure)
{
    namespace fs = std::filesystem;
    if (folder.empty())
        return true;
    fs::path existing = fs::absolute(fs::path(folder)).lexically_normal();
    std::error_code code;
    while (!fs::exists(existing, code) && existing.has_parent_path() &&
           existing.parent_path() != existing)
        existing = existing.parent_path();
    if (!fs::is_directory(existing, code)) {
        failure = {true, folder, std::make_error_code(std::errc::not_a_directory)};
        return false;
    }
    if (!IsWritableFolder(existing.string())) {
        failure = {true, folder, std::make_error_code(std::errc::permission_denied)};
        return false;
    }
    return true;
}
