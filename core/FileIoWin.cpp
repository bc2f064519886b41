#include "core/FileIo.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <string>
#include <windows.h>

namespace {

constexpr char kTempPrefix[] = ".qzm530rx-";
constexpr unsigned kTempAttempts = 100;

std::wstring Wide(const std::string& utf8)
{
    return std::filesystem::u8path(utf8).wstring();
}

} // namespace

std::FILE* OpenRegularFile(const std::string& path)
{
    // A disk file only: pipes, consoles and serial ports are refused once
    // the handle is open, before anything is read from it.
    const HANDLE handle =
        ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = ::GetLastError() == ERROR_FILE_NOT_FOUND ? ENOENT : EACCES;
        return nullptr;
    }
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        errno = EINVAL;
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "rb");
    if (!file)
        ::_close(fd); // closes the handle too
    return file;
}

std::FILE* CreateTempBeside(const std::string& target, std::string& tempPath)
{
    // A short name, so that it fits wherever the target's name does.
    const std::size_t slash = target.find_last_of("/\\");
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    for (unsigned attempt = 0; attempt < kTempAttempts; ++attempt) {
        const std::string name = folder + kTempPrefix + std::to_string(::GetCurrentProcessId()) +
                                 "-" + std::to_string(attempt);
        std::FILE* file = ::_wfopen(Wide(name).c_str(), L"wbx");
        if (file) {
            tempPath = name;
            return file;
        }
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

bool FlushToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0)
        return false;
    return ::_commit(::_fileno(file)) == 0;
}

std::error_code ReplaceFile(const std::string& source, const std::string& target)
{
    if (!::MoveFileExW(Wide(source).c_str(), Wide(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {static_cast<int>(::GetLastError()), std::system_category()};
    return {};
}

void RemoveFile(const std::string& path)
{
    ::DeleteFileW(Wide(path).c_str());
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsWritableFile(const std::string& path, std::error_code& error)
{
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = {static_cast<int>(::GetLastError()), std::system_category()};
        return false;
    }
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
        error = {ERROR_ACCESS_DENIED, std::system_category()};
        return false;
    }
    return true;
}

bool IsWritableFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    // A folder's read-only attribute only marks it as customised (Explorer
    // sets it on Documents): it does not keep files from being made.
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
